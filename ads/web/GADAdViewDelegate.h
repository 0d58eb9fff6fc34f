#pragma once

// The delegate of an ad page: it decides the page's navigations, owns the ordered list of gmsg
// handlers and carries each page message to them, and hands what the page may not load itself
// to its opener (GADOpenerProtocol). Create, use and release it on the main thread.
//
// A page's navigations and messages past its web view's budget are refused before they get
// here, and a page that floods is ended (platform/web/WebViewTypes.h).
//
// Navigation policy, in this order (a refused navigation has already been acted on):
//   - the opener is pointed at the page first: the URL asked for, the ad view, its controller;
//   - a clicked link to an anchor of the page shown is refused (it would not navigate), and a
//     clicked web link of an MRAID ad opens in the in-app browser;
//   - gmsg URLs go to the handlers; mailto and sms to the opener's composers; file URLs are
//     refused (an ad never reads local files); about, data and blob URLs load (documents
//     made in place, in a frame or not, that lead nowhere and never reach the opener; under a
//     click, an empty page is refused: see policyForClick);
//   - "deeplink+" URLs (unless the settings switch them off) open their primary target when
//     the device can open it, else their fallback, after pinging the matching tracking URLs
//     (web addresses only, as the page's pings go: GADPagePings);
//   - any other scheme but http(s) goes to the opener as another app;
//   - http(s) loads, and the ad view records the page's URL.
// A server's redirect of a navigation already allowed is judged by these rules alone, as a
// navigation the page started: it is no click, whatever the navigation it continues was (a
// subclass cannot make it one). A finished load tells the page the status bar's orientation.
// Subclasses decide clicks: policyForClick answers for them, and openClick opens what comes
// back as the page's own.
//
// handleGMSGURL parses the URL on this delegate's serial queue ("com.zivivu.durez.gmsg") and
// comes back to the main loop to offer the message to the handlers in list order; the first
// whose table knows the action runs it. One serial queue and the main loop's FIFO keep a
// page's messages in the order the page sent them. A message no handler takes is posted on a
// later main-loop turn to the default notification center, named after the action, with the
// parameters as user info and the ad view (the GADAdView* itself) as its object; pages use
// this channel on purpose for actions that have no handler.
//
// Who keeps whom: the delegate holds its handlers; a message on its way holds the handler list
// as it was when the message arrived (handlers added meanwhile see the next message) and the ad
// view only weakly, so a message never keeps a page's view alive and never runs for a view
// that is gone: a message whose view died on the way is dropped, since its actions (a click,
// a close) would land on whatever replaced the page.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ads/web/GADAdViewDelegateProtocol.h"
#include "ads/web/GADGMSGHandler.h"
#include "ads/web/GADOpenerProtocol.h"
#include "platform/base/Url.h"
#include "platform/runtime/SerialQueue.h"

namespace ads {

class GADAdView;

class GADAdViewDelegate : public GADAdViewDelegateProtocol,
                          public std::enable_shared_from_this<GADAdViewDelegate> {
  protected:
    struct Private {};

  public:
    using HandlerList = std::vector<std::shared_ptr<GADGMSGHandler>>;

    // Without an opener, what only an opener could open is refused and dropped (the SDK core's
    // page has nothing to open).
    static std::shared_ptr<GADAdViewDelegate> create(
        std::shared_ptr<GADOpenerProtocol> opener = nullptr, HandlerList leadingHandlers = {});
    // The list starts with leadingHandlers (the page services of the rooms above this one: the
    // opener's, the defaults, MRAID, video, precaching) and ends with the timing reports'
    // handler, which every page has; subclasses append theirs after it.
    explicit GADAdViewDelegate(Private, std::shared_ptr<GADOpenerProtocol> opener = nullptr,
                               HandlerList leadingHandlers = {});
    virtual ~GADAdViewDelegate();
    GADAdViewDelegate(const GADAdViewDelegate&) = delete;
    GADAdViewDelegate& operator=(const GADAdViewDelegate&) = delete;

    bool adViewShouldStartLoadWithRequest(const std::shared_ptr<GADAdView>& adView,
                                          const platform::UrlRequest& request,
                                          platform::web::NavigationType navigationType) override;
    bool adViewShouldFollowRedirect(const std::shared_ptr<GADAdView>& adView,
                                    const platform::UrlRequest& request,
                                    platform::web::NavigationType navigationType) final;
    void adViewDidFinishLoad(const std::shared_ptr<GADAdView>& adView) override;
    // Set by the first finished load, never cleared.
    bool hasLoadedAtLeastOnce() const { return hasLoadedAtLeastOnce_; }

    const std::shared_ptr<GADOpenerProtocol>& openerProtocol() const { return opener_; }

    // A "deeplink+" URL whose host is "navigate", from the ad view's page: see above. Any
    // other host does nothing.
    void handleDeeplinkPlusURL(const platform::Url& url, const std::shared_ptr<GADAdView>& adView);

    // In dispatch order.
    const HandlerList& gmsgHandlers() const { return handlers_; }

    // Carries one page message to the handlers (see above). A URL that names no action ends
    // on the parse queue: no handler runs and nothing is posted. adView may be nullptr for a
    // page that has none.
    void handleGMSGURL(const platform::Url& url, const std::shared_ptr<GADAdView>& adView);

  protected:
    // For subclasses, as they make their handlers: appends one (nullptr is ignored).
    void addGMSGHandler(std::shared_ptr<GADGMSGHandler> handler);

    // A navigation the subclass found to be the user's click on its ad. The rules above act on
    // what they refuse (a page message, mail, another app: each is the click's one open). A
    // web page they would let load is the player's click when it follows a link (WebKit's
    // LinkClicked), in the page, in a frame or to a new window alike: it loads nowhere and
    // comes back through adViewDidHoldBackNavigation, for the subclass to hand to openClick, so
    // the page and its frames stay as they were. Any other navigation to a web page loads only
    // in a frame (a carousel's next picture, a wall of product tiles, a refresh); only the
    // page's own (or a new window) comes back the same way. A document made in place
    // (about:srcdoc, data:, blob:) loads where it is asked for and is nobody's click; an empty
    // page (about:blank) is refused, since a frame starts with one without asking and the
    // page's own would blank the ad.
    platform::web::NavigationPolicy policyForClick(const std::shared_ptr<GADAdView>& adView,
                                                   const platform::UrlRequest& request,
                                                   platform::web::NavigationType navigationType);
    // The page's own navigation to `url` was the click: a web page is its target, which the
    // opener opens as clickURL(url), and counts and pings the click as it does.
    void openClick(const std::shared_ptr<GADAdView>& adView, const platform::Url& url,
                   const std::function<platform::Url(const platform::Url&)>& clickURL);

  private:
    // The opener is pointed at the page and the URL asked for.
    void pointOpenerAt(const std::shared_ptr<GADAdView>& adView, const platform::Url& url);
    // The rules above without recording the page's URL: whether the page may load the URL,
    // having acted on whatever it may not.
    bool allowedByPageRules(const std::shared_ptr<GADAdView>& adView,
                            const platform::UrlRequest& request,
                            platform::web::NavigationType navigationType);
    static void pingTrackingURLs(const std::vector<std::string>& texts,
                                 const std::shared_ptr<GADAdView>& adView);
    static void dispatch(const HandlerList& handlers,
                         const std::shared_ptr<const GADNotification>& note,
                         const std::weak_ptr<GADAdView>& adView, bool hadAdView);

    std::shared_ptr<GADOpenerProtocol> opener_;
    HandlerList handlers_;
    bool hasLoadedAtLeastOnce_ = false;
    platform::SerialQueue parseQueue_{"com.zivivu.durez.gmsg"};
};

}  // namespace ads
