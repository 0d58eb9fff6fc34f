#pragma once

// The delegate every ad slot makes for its ad view. On top of the page policy of
// GADAdViewDelegate it decides what is a click, drives the slot when the ad's page has loaded
// or failed, passes the page's content size on, and lets the page hold back its "loaded"
// signal while it prepares (GADDelayLoadDelegate).
//
// A click is what the slot's click rule says (GADSlot::isAdClick: a navigation while the slot is
// in state 0, 2, 3, 4, 6 or 7, at least 0.15 s after the ad finished loading, neither
// back/forward nor reload, on an ad view that a real touch has reached since) of the ad's own
// page or a new window, or a link followed in one of its frames; any other navigation of a
// frame loads in that frame, and a server's redirect never is a click. A clicked web page never
// loads inside the ad: it comes back without having asked for anything
// (GADAdViewDelegate::policyForClick), the rule is asked again (the ad may have changed
// meanwhile), and its gesture click URL goes to the opener, which counts and pings the click
// when it opens it. A document made in place (about:srcdoc, data:, blob:) loads where it is
// asked for, opens nothing and is not counted; an empty page (about:blank) does not load.
//
// A finished page load in state 5 makes the ad valid and current, shows the ad view, makes the
// impression (banners; an interstitial's comes when it is presented) and tells the owner. A
// page that fails fails the slot only while the ad is being fetched or rendered (states 4 and
// 5): our own request errors pass through, anything else is code 2; a load cancelled because we
// refused it or started a newer one is no failure. A delay the page cancels fails the same way.
//
// Page messages reach the handlers of the slot page's list (GADBannerPageHandlers: the
// opener's, the defaults, the timing reports', the app events for the slot's owner, the ad app
// controller's, the page-load delay, whose counts this delegate hears).
//
// Main thread only. Made by the slot, which it holds weakly and sees as a GADPageSlot.

#include <cstdint>
#include <memory>

#include "ads/web/GADAdViewDelegate.h"
#include "ads/web/GADDelayLoadDelegate.h"

namespace ads {

class GADOpener;
class GADPageSlot;

class GADBannerAdViewDelegate : public GADAdViewDelegate, public GADDelayLoadDelegate {
  public:
    // The slot's opener, or a new one.
    static std::shared_ptr<GADBannerAdViewDelegate> create(
        std::weak_ptr<GADPageSlot> slot, std::shared_ptr<GADOpener> opener = nullptr);
    GADBannerAdViewDelegate(Private, std::shared_ptr<GADOpener> opener,
                            std::weak_ptr<GADPageSlot> slot, HandlerList leadingHandlers);

    const std::shared_ptr<GADOpener>& opener() const { return opener_; }
    std::shared_ptr<GADPageSlot> slot() const { return slot_.lock(); }
    // The slot is letting go of its ad view: nothing more reaches it from here.
    void detachFromSlot();

    // The slot's click rule (GADSlot::isAdClick); false without a slot.
    bool isClick(platform::web::NavigationType type) const;
    bool loadDelayed() const { return loadDelayed_; }
    bool loadFinished() const { return loadFinished_; }

    platform::web::NavigationPolicy adViewPolicyForNavigation(
        const std::shared_ptr<GADAdView>& adView, const platform::UrlRequest& request,
        platform::web::NavigationType type) override;
    void adViewDidHoldBackNavigation(const std::shared_ptr<GADAdView>& adView,
                                     const platform::UrlRequest& request,
                                     platform::web::NavigationType type) override;
    void adViewDidFinishLoad(const std::shared_ptr<GADAdView>& adView) override;
    void adViewDidFailLoadWithError(const std::shared_ptr<GADAdView>& adView,
                                    const platform::Error& error) override;
    void adViewContentSizeDidChange(const std::shared_ptr<GADAdView>& adView,
                                    platform::Size size) override;
    // The slot's interstitial gets the interstitial script, any other slot page the banner's.
    GADMRAIDScriptKind MRAIDScriptKind() const override;

    void loadHandlerDidCancel(GADGMSGHandler& handler) override;
    void loadHandlerDidChangeDelay(GADGMSGHandler& handler, std::int64_t from,
                                   std::int64_t to) override;

  protected:
    // The two halves of the slot page's handler list (GADBannerPageHandlers) around the timing
    // reports' handler: the first goes to the constructor, the second is added once the
    // delegate exists. Subclasses are made the same way.
    static HandlerList leadingPageHandlers(const std::weak_ptr<GADPageSlot>& slot,
                                           const std::shared_ptr<GADOpener>& opener);
    void addTrailingPageHandlers();

  private:
    void finishLoad(const std::shared_ptr<GADAdView>& adView);
    void failSlot(const platform::Error& error);

    std::shared_ptr<GADOpener> opener_;
    std::weak_ptr<GADPageSlot> slot_;
    bool loadDelayed_ = false;
    bool loadFinished_ = false;
};

}  // namespace ads
