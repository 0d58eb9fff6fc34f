#pragma once

// How a slot hears from the public ad object that owns it and tells it what happened. Every
// method is called on the main thread; the slot holds each of these weakly.
//
// GADSlotDelegate: the owner (a banner view, an interstitial). Its questions answer "nothing"
// by default, which the slot reads as "the owner has no such thing" and falls back on its own
// (its ad view's frame and bounds, say).
// GADSlotAdLoadDelegate: whether a load ended with an ad or with an error.
// GADSlotAdKeyDelegate: the view-hierarchy record sent with each request.

#include <optional>
#include <vector>

#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/web/GADSDKCoreControllerDelegate.h"
#include "platform/base/Geometry.h"
#include "platform/base/Value.h"

namespace platform::ui {
class Screen;
}

namespace ads {

class GADSlot;

class GADSlotDelegate {
  public:
    virtual ~GADSlotDelegate() = default;

    // The kind of ad the owner shows: a banner view answers Banner, an interstitial
    // Interstitial; the page's own ads are made into that kind.
    virtual GADRequestedAdType slotOwnerAdType() const { return GADRequestedAdType::Generic; }
    virtual std::optional<platform::Rect> frame() const { return std::nullopt; }
    virtual std::optional<platform::Rect> bounds() const { return std::nullopt; }
    // Boxed GADAdSize values (a banner that may show several sizes).
    virtual std::optional<std::vector<GADBoxedValue>> validAdSizes() const { return std::nullopt; }
    // Where the ad's content sits on the screen (GADViewUtilities::positionOfView).
    virtual std::optional<platform::Value> coordinatesOfContentInScreen(
        const platform::ui::Screen&) const {
        return std::nullopt;
    }
    virtual bool hasInAppPurchaseDelegate() const { return false; }
};

class GADSlotAdLoadDelegate {
  public:
    virtual ~GADSlotAdLoadDelegate() = default;
    virtual void slotFinishedLoadingAdContent(GADSlot& slot) = 0;
    virtual void slotDidFailToLoadAdContentWithError(GADSlot& slot,
                                                     const GADRequestError& error) = 0;
};

class GADSlotAdKeyDelegate {
  public:
    virtual ~GADSlotAdKeyDelegate() = default;
    virtual std::optional<platform::Value> viewHierarchyInformationForSlot(GADSlot& slot) = 0;
};

}  // namespace ads
