#pragma once

// The built-in adapter for banners whose creative is HTML carried in the mediation answer
// itself: the network entry's credentials hold the HTML ("adxtym_html") and, optionally, a
// passback URL ("adxtym_passback_url") by which the creative says it has no ad after all.
//
// A banner request renders the HTML in a web view of its own (transparent, so the creative
// shows over whatever is behind it) with the ad server in effect as its base, and looks at the
// page every 0.2 s: once the page has drawn something the view goes to the connector. A page
// that is still blank after 101 looks is left alone without a word; the waterfall's time-out
// ends the request then. A navigation of the page to the scheme "passback:" or to the passback
// URL's host and path (hosts in any case, one trailing "/" not counted) fails the request as
// "no ad". Banners only: every interstitial call fails at once.
//
// A user's tap on one of the creative's web links is a click of the banner, not a page to show
// in its strip: the link is handed to the slot's opener (where the program's other ads open
// theirs, counted and pinged once there) and the connector reports the network's click, while
// the creative stays. Once touched, a link it follows is the click wherever it is, in the page
// or in one of its frames (a network's creative usually sits in a frame), and loads nowhere
// (NavigationPolicy::HandBack). A link the page follows without the user having touched it
// opens nothing: inside a frame it loads in that frame, the page's own comes back unloaded
// (NavigationPolicy::LoadInFrameOnly). A document made in place (about:, data:, blob:) loads
// where it is asked for and is no link out.
// Each touch of the view is reported to the connector as one touch of the slot's ad, and only
// then: the opener's gate lets one link through per touch, so a page that follows links by
// script after one tap opens one.
//
// Credentials count only as strings; a value of another type is missing. Main thread only,
// like every adapter: the waterfall drives it there and the web view and timer answer there.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ads/mediation/GADMAdNetworkAdapterProtocol.h"
#include "ads/mediation/GADMWebViewRenderedChecker.h"
#include "platform/base/Error.h"
#include "platform/base/Url.h"
#include "platform/web/WebViewDelegate.h"

namespace platform {
class Timer;
}

namespace platform::web {
class WebContentView;
}

namespace ads {

class GADMAdapterHTML : public GADMAdNetworkAdapterProtocol,
                        public GADMWebViewRenderedCheckerDelegate,
                        public platform::web::WebViewDelegate,
                        public std::enable_shared_from_this<GADMAdapterHTML> {
  public:
    static constexpr const char* kClassName = "GADMAdapterHTML";
    static constexpr const char* kAdapterVersion = "1.1";
    static constexpr const char* kHTMLKey = "adxtym_html";
    static constexpr const char* kPassbackURLKey = "adxtym_passback_url";
    static constexpr const char* kPassbackScheme = "passback";
    static constexpr double kRenderingCheckInterval = 0.2;
    // Looks at a blank page before the adapter gives up on it.
    static constexpr std::uint64_t kMaxRenderingChecks = 101;

    // Registers the class by name with its calls and class facts.
    static void registerClass();

    GADMAdapterHTML() = default;
    ~GADMAdapterHTML() override;
    GADMAdapterHTML(const GADMAdapterHTML&) = delete;
    GADMAdapterHTML& operator=(const GADMAdapterHTML&) = delete;

    // The adapter protocol.
    void initWithGADMAdNetworkConnector(
        std::weak_ptr<GADMAdNetworkConnectorProtocol> connector) override;
    void getBannerWithSize(const GADAdSize& size) override;
    void getInterstitial() override;
    void stopBeingDelegate() override;
    bool isBannerAnimationOK(std::int64_t) override { return true; }
    void presentInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root) override;

    // Stops listening and lets go of the banner view and the passback URL.
    void clearWebView();

    // The banner view of the current request (it shows the page); nullptr between requests.
    const std::shared_ptr<platform::web::WebContentView>& webView() const { return view_; }
    const std::optional<platform::Url>& passbackUrl() const { return passbackUrl_; }

    // The page's navigations: the passback fails the request, a touched link of the page's own
    // is a click, foreign views are refused.
    platform::web::NavigationPolicy webViewPolicyForNavigation(
        platform::web::WebView& webView, const platform::UrlRequest& request,
        platform::web::NavigationType type) override;
    void webViewDidHoldBackNavigation(platform::web::WebView& webView,
                                      const platform::UrlRequest& request,
                                      platform::web::NavigationType type) override;
    // The checker's verdict on the page.
    void webViewIsRendered(platform::web::WebView& webView, bool rendered) override;

  private:
    static platform::Error errorWithCode(std::int64_t code, std::string text);
    void fail(std::int64_t code, std::string text);
    void createWebViewWithSize(const GADAdSize& size);
    void startRenderingTimer();
    void stopRenderingTimer();
    bool isPassbackRequest(const platform::Url& url) const;
    std::shared_ptr<platform::web::WebView> page() const;
    // A link the user followed: a click through the connector; refused either way.
    void followLink(const platform::Url& url);

    std::weak_ptr<GADMAdNetworkConnectorProtocol> connector_;
    std::shared_ptr<platform::web::WebContentView> view_;
    std::optional<platform::Url> passbackUrl_;
    // The timer owns the checker; the adapter only cuts it loose.
    std::weak_ptr<GADMWebViewRenderedChecker> checker_;
    std::shared_ptr<platform::Timer> timer_;
    std::uint64_t checkRenderingCount_ = 0;
    // The user touched the banner view of the current request; a refused link was logged.
    bool touched_ = false;
    bool refusalLogged_ = false;
};

}  // namespace ads
