#pragma once

// What the full-screen machinery needs of the slot whose ad it puts on screen: the slot's
// screen events for the app, the slot's current intermission, the current ad's statistics,
// what the ad's own screens ask of the ad (its page, its clicks, its viewability and MRAID
// state) and what the opener reports of a click it carried out.
// GADSlot is the one real implementation; keeping the intermission and its participants on
// this narrow face keeps them apart from the slot's request machinery. Main thread only.

#include <functional>
#include <memory>
#include <string>

#include "platform/base/Url.h"
#include "platform/web/WebViewDelegate.h"

namespace ads {

// Posted by a slot, with itself as object (notificationObject()), when its placement leaves
// its window.
inline constexpr const char* kGADSlotDidLeaveWindowNotification =
    "GADSlotDidLeaveWindowNotification";

class GADAdView;
class GADIntermission;
class GADMRAIDEventHandling;
class GADStatisticDictionary;

class GADFullScreenSlot {
  public:
    virtual ~GADFullScreenSlot() = default;

    // The app's will-present, will-dismiss and did-dismiss, once per intermission each.
    virtual void adWillPresentScreen() = 0;
    virtual void adWillDismissScreen() = 0;
    virtual void adDidDismissScreen() = 0;

    // The slot refers to its intermission weakly: the participants on screen keep it.
    virtual std::shared_ptr<GADIntermission> intermission() const = 0;
    virtual void setIntermission(std::weak_ptr<GADIntermission> intermission) = 0;

    // The object the slot's notifications carry.
    virtual const void* notificationObject() const = 0;

    // The statistics of the ad shown now, or nullptr without one.
    virtual std::shared_ptr<GADStatisticDictionary> currentAdStatistics() const = 0;

    // The slot's own ad view (the page it loaded), or nullptr.
    virtual std::shared_ptr<GADAdView> adView() const = 0;
    // The slot holds a valid ad (state 6).
    virtual bool hasValidAd() const = 0;
    // The public ad object that owns the slot (an interstitial), or nullptr; its screen keeps
    // it alive while up, so the app hears the dismissal even after dropping it.
    virtual std::shared_ptr<void> publicAdObject() const = 0;
    // The current ad speaks MRAID.
    virtual bool isMRAIDEnabled() const = 0;
    // Whether a navigation of the slot's own ad page is the user's click on the ad (see
    // GADSlot::isAdClick); the screen's page delegate then hands it to its opener, which counts
    // and pings it.
    virtual bool isAdClick(platform::web::NavigationType type) const = 0;
    // The ad's full-screen view appears or is about to go: viewability sampling starts and,
    // with a last sample, stops.
    virtual void interstitialViewWillAppear() = 0;
    virtual void interstitialViewWillDisappear() = 0;
    // Tells the ad's MRAID event handler whether the ad is visible.
    virtual void updateMRAIDVisibility(bool visible) = 0;
    // The ad's MRAID event handler (errors of the opener's MRAID roads go there), or nullptr.
    virtual std::shared_ptr<GADMRAIDEventHandling> MRAIDEventHandler() const { return nullptr; }
    // A change of its layout (an MRAID expand, two-part expand or resize, named by `action`)
    // that the slot's own page asks for while its ad is not shown yet: "ready" comes while the
    // page still loads, and taking the ad view away then loses the end of the load (the ad is
    // never made valid, counted or shown). Answers whether the slot took the change: it then
    // runs on a turn of its own once the ad is first seen on screen, or never when another ad
    // replaces it; a second change while one waits is refused with the MRAID error of its
    // action. Any other page, or an ad already shown, is not taken.
    virtual bool deferMRAIDLayoutChangeUntilShown(const std::shared_ptr<GADAdView>& page,
                                                  const std::string& action,
                                                  std::function<void()> change) {
        (void)page;
        (void)action;
        (void)change;
        return false;
    }
    // The server asked that the ad open nothing without a touch ("enable_auto_click_protection");
    // every page of the ad keeps to it.
    virtual bool isAutoClickProtected() const { return false; }

    // The opener's reports. A click it opened counts once (the owner hears of it), before the
    // click URLs are pinged; leaving the app is told to the owner, then to the slot's own
    // bookkeeping of a click that leaves.
    virtual void adWasClicked() = 0;
    // Pings the current ad's click URLs, once per click the opener carried out.
    virtual void pingClickURLs() = 0;
    virtual void adWillLeaveApplication() = 0;
    virtual void willLeaveAppDueToClick() = 0;
    // The address a click on the ad opens: url with the ad's click signal added when it is
    // one of the ad server's own click addresses, else url as it is.
    virtual platform::Url gestureClickURLWithURL(const platform::Url& url) = 0;
};

}  // namespace ads
