#pragma once

// The delegate of the in-app browser's landing page. It keeps the ad page rules of
// GADAdViewDelegate (web pages load in place, mail and text go to composers, other schemes to
// other apps) and adds the landing page's statistics to the ad whose click opened the browser:
// each link the user follows or form the user submits counts by scheme ("plpnc" for http,
// "plpsnc" for https; redirects and script navigations count nothing), the first load's start
// ("tlanding_page_load_start", kept across later loads) and the last load's end
// ("tlanding_page_load_end"). After every start, finish and failure the browser's toolbar is
// brought up to date.
//
// Its own opener reports to no slot: links inside a landing page are browsing, not clicks on
// the ad, so nothing they open is counted or pinged (the click that opened the browser was).
// It guards against automatic clicks: the page is the ad's choice, and what it opens out of
// itself needs the player's touch of the page, one each (the touch of the ad that opened the
// browser is spent).
// Page messages reach the ad app page list's leading handlers (the opener's, the defaults and
// the places of the rooms above), then the timing reports'.
//
// Main thread only. The browser is found through the page's view (GADBrowserAdView), held
// weakly there; without one the delegate adds nothing to the base rules.

#include <memory>

#include "ads/web/GADAdViewDelegate.h"

namespace ads {

class GADBrowserViewController;
class GADOpener;

class GADBrowserAdViewDelegate : public GADAdViewDelegate {
  public:
    static std::shared_ptr<GADBrowserAdViewDelegate> create();
    GADBrowserAdViewDelegate(Private key, std::shared_ptr<GADOpener> opener,
                             HandlerList leadingHandlers);

    // The browser of a browser page view, else nullptr.
    static std::shared_ptr<GADBrowserViewController> browserControllerForAdView(
        const std::shared_ptr<GADAdView>& adView);

    bool adViewShouldStartLoadWithRequest(const std::shared_ptr<GADAdView>& adView,
                                          const platform::UrlRequest& request,
                                          platform::web::NavigationType navigationType) override;
    void adViewDidStartLoad(const std::shared_ptr<GADAdView>& adView) override;
    void adViewDidFinishLoad(const std::shared_ptr<GADAdView>& adView) override;
    void adViewDidFailLoadWithError(const std::shared_ptr<GADAdView>& adView,
                                    const platform::Error& error) override;

    const std::shared_ptr<GADOpener>& opener() const { return opener_; }

  private:
    std::shared_ptr<GADOpener> opener_;
};

}  // namespace ads
