#pragma once

// How a slot hears from the public ad object that owns it and tells it what happened. Every
// method is called on the main thread; the slot holds each of these weakly.
//
// GADSlotDelegate: the owner (a banner view, an interstitial): its permissions, geometry and
// notices, every method optional. Its questions answer "nothing" by default, which the slot
// reads as "the owner has no such thing" and falls back on its own (its ad view's frame and
// bounds, say), so "not implemented" stays observable.
// GADSlotAdLoadDelegate: whether a load ended with an ad or with an error.
// GADSlotAdEventDelegate: full-screen and leave-app events.
// GADSlotAdResponseDelegate: a veto over each response.
// GADSlotAdKeyDelegate: the view-hierarchy record sent with each request.

#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/web/GADSDKCoreControllerDelegate.h"
#include "platform/base/Error.h"
#include "platform/base/Geometry.h"
#include "platform/base/Value.h"

namespace platform::ui {
class Screen;
class View;
class ViewController;
}  // namespace platform::ui

namespace ads {

class GADAd;
class GADRequest;
class GADSlot;

class GADSlotDelegate {
  public:
    virtual ~GADSlotDelegate() = default;

    // The kind of ad the owner shows: a banner view answers Banner, an interstitial
    // Interstitial; the page's own ads are made into that kind.
    virtual GADRequestedAdType slotOwnerAdType() const { return GADRequestedAdType::Generic; }
    virtual std::optional<platform::Rect> frame() const { return std::nullopt; }
    virtual std::optional<platform::Rect> bounds() const { return std::nullopt; }
    // Boxed GADAdSize values (a banner that may show several sizes); without a list, sizes
    // announced by ads are ignored.
    virtual std::optional<std::vector<GADBoxedValue>> validAdSizes() const { return std::nullopt; }
    // Where the ad's content sits on the screen (GADViewUtilities::positionOfView).
    virtual std::optional<platform::Value> coordinatesOfContentInScreen(
        const platform::ui::Screen&) const {
        return std::nullopt;
    }
    virtual bool hasInAppPurchaseDelegate() const { return false; }
    // The controller screens opened for the ad present from; nothing when the owner has none.
    virtual std::shared_ptr<platform::ui::ViewController> rootViewController() const {
        return nullptr;
    }

    // NO refuses the request (the load delegate hears code 0).
    virtual std::optional<bool> slotShouldLoadRequest(GADSlot&, const GADRequest&) {
        return std::nullopt;
    }
    // NO puts the reload off by one more interval.
    virtual std::optional<bool> slotShouldReloadCurrentRequest(GADSlot&) { return std::nullopt; }
    virtual std::optional<bool> slotShouldPreemptInProgressRequest(GADSlot&) {
        return std::nullopt;
    }
    // The view that shows the new ad (nullptr: take the old one away).
    virtual void slotDidReceiveAdView(GADSlot&, const std::shared_ptr<platform::ui::View>&) {}
    virtual void slotContentSizeDidChange(GADSlot&, platform::Size) {}
    virtual void setAdSize(const GADAdSize&, bool reload) { (void)reload; }
    virtual void slotWillResizeToAdSize(GADSlot&, const GADAdSize&) {}
    // The ad's page sent an app event: a name and, when the page gave one, an info text.
    virtual void slotDidReceiveAppEvent(GADSlot&, const std::string& name,
                                        const std::optional<std::string>& info) {
        (void)name;
        (void)info;
    }
    // YES: the owner renders the ad itself. NO, with or without an error, refuses it.
    virtual std::optional<bool> slotNotifyPublisherToRenderCustomRenderingAd(
        GADSlot&, const std::shared_ptr<GADAd>&, std::optional<platform::Error>& error) {
        (void)error;
        return std::nullopt;
    }
    virtual void slotWillLoadAdWithRequest(GADSlot&, const GADRequest&) {}
    virtual void slotDidReceiveAdClick(GADSlot&) {}
};

class GADSlotAdLoadDelegate {
  public:
    virtual ~GADSlotAdLoadDelegate() = default;
    virtual void slotFinishedLoadingAdContent(GADSlot& slot) = 0;
    virtual void slotDidFailToLoadAdContentWithError(GADSlot& slot,
                                                     const GADRequestError& error) = 0;
};

class GADSlotAdEventDelegate {
  public:
    virtual ~GADSlotAdEventDelegate() = default;
    virtual void slotWillPresentScreen(GADSlot&) {}
    virtual void slotWillDismissScreen(GADSlot&) {}
    virtual void slotDidDismissScreen(GADSlot&) {}
    virtual void slotWillLeaveApplication(GADSlot&) {}
};

class GADSlotAdResponseDelegate {
  public:
    virtual ~GADSlotAdResponseDelegate() = default;
    // NO with an error fails the load with it; NO without one means the owner takes the ad
    // itself (the slot reports a valid ad and nothing more).
    virtual bool slotShouldProcessAdResponse(GADSlot&, const std::shared_ptr<GADAd>&,
                                             std::optional<platform::Error>& error) = 0;
    // The same for a mediation answer; an owner that takes part in mediation makes itself the
    // ad's mediation delegate (GADAdMediationDelegate) here.
    virtual bool slotShouldProcessMediatedAdResponse(GADSlot&, const std::shared_ptr<GADAd>&,
                                                     std::optional<platform::Error>& error) {
        (void)error;
        return true;
    }
};

class GADSlotAdKeyDelegate {
  public:
    virtual ~GADSlotAdKeyDelegate() = default;
    // At the start of every load attempt, before the request is checked.
    virtual void cacheViewHierarchyInformationForSlot(GADSlot&) {}
    virtual std::optional<platform::Value> viewHierarchyInformationForSlot(GADSlot& slot) = 0;
};

// The slot's five delegates, held weakly; an owner usually answers all of them (allOf).
struct GADSlotDelegates {
    std::weak_ptr<GADSlotDelegate> slot{};
    std::weak_ptr<GADSlotAdLoadDelegate> adLoad{};
    std::weak_ptr<GADSlotAdEventDelegate> adEvent{};
    std::weak_ptr<GADSlotAdResponseDelegate> adResponse{};
    std::weak_ptr<GADSlotAdKeyDelegate> adKey{};

    template <class Owner>
    static GADSlotDelegates allOf(const std::shared_ptr<Owner>& owner) {
        GADSlotDelegates d;
        if constexpr (std::is_base_of_v<GADSlotDelegate, Owner>) d.slot = owner;
        if constexpr (std::is_base_of_v<GADSlotAdLoadDelegate, Owner>) d.adLoad = owner;
        if constexpr (std::is_base_of_v<GADSlotAdEventDelegate, Owner>) d.adEvent = owner;
        if constexpr (std::is_base_of_v<GADSlotAdResponseDelegate, Owner>) d.adResponse = owner;
        if constexpr (std::is_base_of_v<GADSlotAdKeyDelegate, Owner>) d.adKey = owner;
        return d;
    }
};

}  // namespace ads
