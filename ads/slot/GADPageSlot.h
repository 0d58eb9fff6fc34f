#pragma once

// What the delegate of a slot's own ad page (GADBannerAdViewDelegate) asks of the slot: its
// state and type, when its ad last loaded, its request, the steps a loaded or failed page
// drives, and the content size; with the full-screen face (the opener's reports and what
// the screens opened from the ad ask). GADSlot is the one implementation; the delegate sees
// the slot only through this face, so the slot and its page delegate do not name each other.
// Main thread only.

#include <cstdint>
#include <memory>
#include <optional>

#include "ads/foundation/GADAdType.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "platform/base/Error.h"
#include "platform/base/Geometry.h"

namespace ads {

class GADRequest;

// Values kept: the page, the server and stored statistics read the numbers.
enum class GADSlotState : std::int64_t {
    Idle = 0,
    SDKCoreFailed = 1,
    RequestingAdURL = 2,
    ReceivedAdURL = 3,
    FetchingAd = 4,  // or processing a mediation response
    Rendering = 5,
    ValidAd = 6,
    InvalidAd = 7,    // the request failed
    Invalidated = 8,  // final
};

class GADPageSlot : public GADFullScreenSlot {
  public:
    // Errors of others (an owner's veto, a page) as the app receives them: ours pass as they
    // are, any other becomes code 11 with it as the cause.
    static GADRequestError requestErrorFrom(const platform::Error& error);

    virtual GADSlotState state() const = 0;
    virtual const GADAdType& adType() const = 0;
    virtual const std::shared_ptr<GADRequest>& request() const = 0;
    // Milliseconds of GADAbsoluteTime when the last HTML ad finished loading; 0 before.
    virtual std::uint64_t timeLastLoaded() const = 0;

    // A missing error becomes code 11.
    virtual void didFailToReceiveAdWithError(const std::optional<GADRequestError>& error,
                                             bool shouldCancelPendingActions) = 0;
    virtual void didReceiveValidAd() = 0;
    virtual void didLoadAdHTMLInWebView() = 0;
    virtual void didMakeAdImpression() = 0;
    virtual void adFinishedLoadingContent() = 0;
    virtual void updateContentSize(platform::Size size) = 0;
    // The page of an ad network's script has loaded and its drawing is watched (state 5); a
    // script ad that passed back tries again after the reload interval.
    virtual void willLoadAdHTMLInWebView() = 0;
    virtual void scheduleAdReloadTimer() = 0;
};

}  // namespace ads
