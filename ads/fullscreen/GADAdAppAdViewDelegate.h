#pragma once

// The delegate of a page shown by a full-screen ad app controller (GADAdAppViewController): an
// interstitial, an expanded ad, or the landing page a click led to. Beyond the ad page rules
// of GADAdViewDelegate it takes the user's clicks on the slot's own ad page (the interstitial,
// the expanded ad) as a banner's delegate does: the slot's click rule decides
// (GADFullScreenSlot::isAdClick) for the page's own navigations, a frame's loads in its frame,
// and a clicked web page goes to this delegate's opener as the slot's gesture click URL and
// never loads in the ad, so the creative stays as it was. The
// opener counts and pings the click when it opens it: one tap, one click, one ping per click
// URL. A server's redirect is never a click, and a landing page's links are browsing: they
// load in place and count nothing (the click that opened the page was counted). Pages are
// timed in the ad's statistics: "tlanding_page_load_start" at the first start (later starts
// keep it), "tlanding_page_load_end" at every finish. While its page loads, MRAID creatives
// have their script served (one hold of GADMRAIDInterceptor, given back when the load ends or
// the delegate goes).
//
// Page messages reach the handlers of the ad app page's list (GADAdAppPageHandlers: first the
// opener's, with the delegate's own opener reporting to the controller's slot), with the
// timing reports' in its place.
//
// Main thread only. Holds its controller weakly; the controller holds it.

#include <memory>

#include "ads/web/GADAdViewDelegate.h"

namespace ads {

class GADAdAppViewController;
class GADFullScreenSlot;
class GADOpener;

class GADAdAppAdViewDelegate : public GADAdViewDelegate {
  public:
    static std::shared_ptr<GADAdAppAdViewDelegate> create(
        std::weak_ptr<GADAdAppViewController> controller);
    GADAdAppAdViewDelegate(Private, std::weak_ptr<GADAdAppViewController> controller,
                           std::shared_ptr<GADOpener> opener, HandlerList leadingHandlers);
    ~GADAdAppAdViewDelegate() override;

    std::shared_ptr<GADAdAppViewController> webAppViewController() const {
        return controller_.lock();
    }

    platform::web::NavigationPolicy adViewPolicyForNavigation(
        const std::shared_ptr<GADAdView>& adView, const platform::UrlRequest& request,
        platform::web::NavigationType navigationType) override;
    void adViewDidHoldBackNavigation(const std::shared_ptr<GADAdView>& adView,
                                     const platform::UrlRequest& request,
                                     platform::web::NavigationType navigationType) override;
    void adViewDidStartLoad(const std::shared_ptr<GADAdView>& adView) override;
    void adViewDidFinishLoad(const std::shared_ptr<GADAdView>& adView) override;
    void adViewDidFailLoadWithError(const std::shared_ptr<GADAdView>& adView,
                                    const platform::Error& error) override;

    const std::shared_ptr<GADOpener>& opener() const { return opener_; }
    // The page just sent the user to another application (through the opener); the
    // controller reads and clears it when the app comes back to the foreground.
    bool didOpenAnotherApplication() const;
    void setDidOpenAnotherApplication(bool opened);

  private:
    // The slot whose own ad page the view shows, when the navigation is a click by its rule.
    std::shared_ptr<GADFullScreenSlot> clickingSlot(const std::shared_ptr<GADAdView>& adView,
                                                    platform::web::NavigationType type) const;
    void setLandingTime(const char* key, bool onlyFirst);
    void setServesMRAIDScript(bool on);

    std::weak_ptr<GADAdAppViewController> controller_;
    std::shared_ptr<GADOpener> opener_;
    bool holdsInterceptor_ = false;
};

}  // namespace ads
