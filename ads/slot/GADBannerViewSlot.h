#pragma once

// What a banner asks of the ad slot it owns: its ad unit and ad type, loads, the slot's read-outs,
// its reload timer and its end. The banner is the slot's slot, load, event, response and ad-key
// delegate: the slot holds it weakly (setBanner) and calls its slot-facing members
// (GADBannerView.h), from any thread for the load results, on the main thread otherwise.
//
// Banners get their slot from a maker: the program's own ad slot (GADSlot, through
// GADBannerSlotAdapter) from the start, or one a test registers in its place (a scripted slot).
// A maker that makes nothing leaves the banner unmade, so a program that provides no slots
// shows no banners instead of failing later.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADAdType.h"
#include "platform/base/Geometry.h"

namespace platform::ui {
class Window;
}

namespace ads {

class GADAdView;
class GADBannerView;
class GADRequest;
class GADSlot;

class GADBannerViewSlot {
  public:
    // Makes the slot of a new banner of the given bounds.
    using Maker = std::function<std::shared_ptr<GADBannerViewSlot>(platform::Rect bounds)>;

    // Main thread. An empty maker puts the program's own slot back.
    static void setMaker(Maker maker);
    // nullptr when the maker makes none.
    static std::shared_ptr<GADBannerViewSlot> make(platform::Rect bounds);

    virtual ~GADBannerViewSlot() = default;

    virtual void setBanner(std::weak_ptr<GADBannerView> banner) = 0;
    // A reloadable slot reloads on its timer (60 s, or the ad's refresh rate) after each load.
    virtual void setReloadable(bool reloadable) = 0;

    virtual std::optional<std::string> adUnitID() const = 0;
    virtual void setAdUnitID(std::optional<std::string> adUnitID) = 0;
    // None before the banner gave it one.
    virtual std::optional<GADAdType> adType() const = 0;
    // A reload cancels the request in flight and loads again when a request was ever made.
    virtual void setAdTypeAndReloadRequest(const GADAdType& adType, bool reload) = 0;
    // nullptr loads with an empty request.
    virtual void loadRequest(const std::shared_ptr<GADRequest>& request) = 0;

    // The slot's ad view, which the banner shows while no mediated network supplies a view.
    virtual std::shared_ptr<GADAdView> adView() const = 0;
    virtual bool hasAutoRefreshed() const = 0;
    // Whether the current ad came from a mediated network.
    virtual bool isMediating() const = 0;
    virtual std::optional<std::string> adNetworkClassName() const = 0;

    // The banner's new window; nullptr when it left one.
    virtual void bannerDidMoveToWindow(platform::ui::Window* window) = 0;
    // A failed load retries after the reload interval.
    virtual void scheduleAdReloadTimer() = 0;
    // The banner is going: no more reports, timers, fetches or callbacks.
    virtual void endActiveViewReporting() = 0;
    virtual void cancelPendingAndFutureActions() = 0;

    // The program's ad slot behind this one, for what the publisher's banner keeps in it (its
    // correlator, manual impressions, custom-rendered ads); none for a scripted slot.
    virtual std::shared_ptr<GADSlot> adSlot() const { return nullptr; }
};

}  // namespace ads
