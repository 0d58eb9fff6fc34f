#pragma once

// What the mediation room (its manager, connectors and response processor) asks of the slot it
// fills: the slot's adapter timings, the network's view to show, a network's own refresh or
// failure, the controller a network presents from, the player's touches of a network's view
// that the SDK draws itself and its click-throughs, and the mediation answers to process.
// GADSlot is the one implementation and keeps these to this face, so the owner's face stays
// the owner's. Main thread only.

#include <memory>

#include "ads/foundation/GADRequestError.h"

namespace platform {
class Url;
}

namespace platform::ui {
class View;
class ViewController;
}  // namespace platform::ui

namespace ads {

class GADAd;
class GADSlotStatistics;

class GADMediatedSlot {
  public:
    virtual ~GADMediatedSlot() = default;

    virtual void processMediationAdResponse(const std::shared_ptr<GADAd>& ad) = 0;
    virtual const std::shared_ptr<GADSlotStatistics>& slotStats() const = 0;
    virtual void showMediatedView(const std::shared_ptr<platform::ui::View>& view) = 0;
    virtual void mediatedAdNetworkAutoRefreshed() = 0;
    virtual void mediatedAdFailedToReceiveContentWithError(const GADRequestError& error) = 0;
    virtual std::shared_ptr<platform::ui::ViewController> viewControllerForPresentingModalView()
        const = 0;
    // The player touched the shown network's view (the network saw the input event): one touch
    // of this slot's ad. A view that is not the one shown is no touch of the ad.
    virtual void mediatedViewWasTouched(const platform::ui::View& view) = 0;
    // Opens a link of the shown network's view as a click of this slot's ad (the opener's
    // gate, which a touch reported above passes once, one count, the ad's click pings,
    // leaving the app); whether it opened.
    virtual bool openMediatedClickThrough(const platform::Url& url) = 0;
};

// The slot as the mediation room sees it.
template <class Slot>
GADMediatedSlot& mediatedSlotOf(Slot& slot) {
    return slot;
}

}  // namespace ads
