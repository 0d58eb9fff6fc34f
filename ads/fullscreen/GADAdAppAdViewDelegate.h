#pragma once

// The delegate of a page shown by a full-screen ad app controller (GADAdAppViewController): an
// interstitial, an expanded ad, or the landing page a click led to. Beyond the ad page rules
// of GADAdViewDelegate it counts a link the user follows inside the screen as a click of the
// slot's ad (its click URLs are pinged, unless the server-tuned switch
// "disable_interstitial_click_ping_on_click_navigation" is "1") and times the landing page in
// the ad's statistics: "tlanding_page_load_start" at the first start (later starts keep it),
// "tlanding_page_load_end" at every finish. While its page loads, MRAID creatives have their
// script served (one hold of GADMRAIDInterceptor, given back when the load ends or the
// delegate goes).
//
// A link the ad page rules hand elsewhere (another app, a composer, the in-app browser) is not
// pinged here: what opens it pings when it really opens, so one click makes one ping.
//
// Page messages reach the handlers of the ad app page's list (GADAdAppPageHandlers: first the
// opener's, with the delegate's own opener reporting to the controller's slot), with the
// timing reports' in its place.
//
// Main thread only. Holds its controller weakly; the controller holds it. Pings are sent on a
// later main-loop turn and hold the controller weakly.

#include <memory>

#include "ads/web/GADAdViewDelegate.h"

namespace ads {

class GADAdAppViewController;
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

    bool adViewShouldStartLoadWithRequest(const std::shared_ptr<GADAdView>& adView,
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
    void setLandingTime(const char* key, bool onlyFirst);
    void setServesMRAIDScript(bool on);

    std::weak_ptr<GADAdAppViewController> controller_;
    std::shared_ptr<GADOpener> opener_;
    bool holdsInterceptor_ = false;
};

}  // namespace ads
