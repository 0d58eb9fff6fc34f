#pragma once

// The view every HTML ad is shown in: a view around one web view (shown by a WebContentView
// that fills it) that loads the ad's HTML, passes the page's navigations and loads to its
// delegate (GADAdViewDelegateProtocol), queues the events native code sends to the page until
// the page has loaded, tells the page its orientation, and shows a debug dialog with the
// creative's debug text.
//
// Main thread only. Made with create(), it starts hidden away as a subview of the process-wide
// placeholder window, so that it is in a window before its owner places it; the window holds
// it until its owner moves it or takes it out (removeFromSuperview) when letting go of it.
// When it goes, its web view is cleaned and kept for the next ad view (GADWebViewCacheSet,
// capacity from the server-tuned settings, 0 = never).
//
// Events to the page: dispatchSDKEvent queues an event, with the SDK's "version" and "device"
// under the caller's parameters; the queue is suspended while a page loads (at most 20 wait,
// later ones are dropped), a new load drops what waits, and a finished load lets them run one
// at a time in the order queued. postJSNotification delivers at once: the script runs on the
// next main-loop turn. Both reach the page's RADE_ReceiveMessage(name[, parameters]).
//
// Who keeps whom: the ad view holds its web view, its recognizers and its debug dialog; the
// delegate and the presenting view controller are weak. Queued events hold the ad view weakly
// and are dropped once it is gone; an event about to run holds it until it ran. The delegate
// may release the ad view inside any of its calls. Without a delegate (its owner let go of it,
// and the view lives on for a moment) the page's navigations and redirects are refused.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ads/web/GADAdOpenings.h"
#include "ads/web/GADAdViewDelegateProtocol.h"
#include "platform/base/Url.h"
#include "platform/base/Value.h"
#include "platform/net/UrlRequest.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/View.h"
#include "platform/web/WebContentView.h"
#include "platform/web/WebView.h"
#include "platform/web/WebViewDelegate.h"

namespace platform::ui {
class ViewController;
class Window;
}  // namespace platform::ui

namespace ads {

class GADAdDebugDialog;
class GADAdViewEventQueue;
class GADAdViewVideoAdditions;
class GADAdViewTouchGestureRecognizer;
class GADImpressionTicketGestureRecognizer;
class GADWebViewCacheSet;

namespace testing {
class AdViewTestScope;
}

// Where an ad view was before it was taken out to be shown elsewhere (full screen, say), and
// the picture its page showed there.
struct GADAdViewState {
    platform::Rect frame;
    std::shared_ptr<platform::ui::View> superview;
    std::weak_ptr<GADAdViewDelegateProtocol> delegate;
    std::weak_ptr<platform::ui::ViewController> viewController;
    platform::gfx::Image picture;
};

class GADAdView : public platform::ui::View, private platform::web::WebViewDelegate {
  protected:
    // A subclass makes its view with this key and then calls setUp().
    struct Private {};
    void setUp();

  public:
    static std::shared_ptr<GADAdView> create(platform::Rect frame);
    // A view whose pages run in `context`. A view of the service context never takes a web
    // view from the reuse set nor gives its own to it: the set serves ads, which must not run
    // in the program's own context.
    static std::shared_ptr<GADAdView> create(platform::Rect frame,
                                             platform::web::WebViewContext context);
    GADAdView(Private, platform::Rect frame);
    ~GADAdView() override;

    const char* className() const override { return "GADAdView"; }

    // The process-wide reuse set, made on first use with the capacity the settings give then.
    static std::shared_ptr<GADWebViewCacheSet> webViewCache();
    // A clean web view for a new ad view, or nullptr.
    static std::shared_ptr<platform::web::WebView> cachedWebView();
    static void cacheWebView(std::shared_ptr<platform::web::WebView> webView);
    // A window made on first use and never shown: ad views live in it until they are placed.
    static std::shared_ptr<platform::ui::Window> placeholderWindow();
    // The script that delivers one event (see GADPageEventCommand).
    static std::string JSCommandForNotificationName(std::string_view name,
                                                    const platform::Value::Dictionary* userInfo);

    // Back to the defaults every ad starts from; the first call attaches the recognizers.
    void reset();
    // A banner: no bounce, no scaling, autoplay as the settings say, hidden until its ad loaded.
    void configureAsBannerAdView();
    void configureAsInterstitialAdView();

    // Each load drops the events waiting for the previous page and holds new ones until it
    // has finished. An absent base URL stands for "about:blank" and records nothing.
    void loadHTMLString(const std::string& html, const std::optional<platform::Url>& baseURL);
    void loadRequest(const platform::UrlRequest& request);
    // Pages loaded by those two calls in the view's life: an ad's page comes from them, so a
    // handler that keeps something per ad tells one ad from the next by it. Navigations the
    // page makes itself do not count.
    std::uint64_t pageLoadCount() const { return pageLoadCount_; }
    // Records the page's URL (none clears it) and registers it for the view (GADAdURLStash)
    // in place of the previous registration.
    void setURL(const std::optional<platform::Url>& url,
                const std::shared_ptr<platform::ui::View>& forView);
    const std::optional<platform::Url>& URL() const { return URL_; }

    void dispatchSDKEvent(const std::string& name, const platform::Value::Dictionary& parameters);
    // Without parameters (nullptr) the page gets the event name only.
    void postJSNotification(const std::string& name, const platform::Value::Dictionary* userInfo);
    // Events that describe one moment (a state and the size that goes with it) reach the page
    // in one script (GADPageEventsCommand), queued as one event or delivered at once as above.
    using Events = std::vector<std::pair<std::string, platform::Value::Dictionary>>;
    void dispatchSDKEvents(const Events& events);
    void postJSNotifications(const Events& events);
    // Events that tell the page the layout it now has (a state and its size), queued as
    // dispatchSDKEvents queues them. Once the page has run them, a picture the view holds in
    // its place (restoreState) gives way to the page's first frame from then on that has the
    // view's size. Without events the picture gives way at once to that frame.
    void dispatchLayoutEvents(const Events& events);
    // A screen that brings the ad up (an interstitial's) marks it arriving once it stands in
    // the window, and queues the event that tells its page it shows (dispatchArrivalEvent, as
    // dispatchSDKEvent queues): the ad has arrived once its page has run that event (or the
    // page failed to run it, or a new page's load dropped it with the rest). Until then it is
    // not shown yet for what it plays (GADVideoPlayer), so its page hears its video start only
    // after it heard that it shows; as it arrives its video looks again at once.
    void setArriving(bool arriving) { arriving_ = arriving; }
    bool isArriving() const { return arriving_; }
    void dispatchArrivalEvent(const std::string& name);
    // Waits for the page, as the view's own does; a caller that does not use the value asks
    // for none (a `longestValue` of 0).
    std::string stringByEvaluatingJavaScriptFromString(
        const std::string& script,
        std::size_t longestValue = platform::web::WebView::kLongestScriptValue);
    void executeJavaScriptAsynchronouslyFromString(const std::string& script);
    // Events waiting for the page now (tests, diagnostics).
    std::size_t waitingEventCount() const;

    // Interface orientations 1 to 4 (portrait, upside down, landscape right, landscape left);
    // other values, and the orientation the page already has, change nothing.
    void setHTMLWindowOrientation(long orientation, bool shouldDispatchOrientationChangeEvent);
    void forceRotateToOrientation(long orientation) { setHTMLWindowOrientation(orientation, true); }
    void didRotateToOrientation(long orientation) { setHTMLWindowOrientation(orientation, false); }
    // The last orientation told to the page; 0 before the first.
    long orientation() const { return orientation_; }

    // Remembers where the view is and what its page shows there (once: a second call keeps the
    // first record). A picture the view held goes: elsewhere the page shows as it paints.
    void saveState();
    // Puts the view back where saveState found it and forgets the record; nothing without one.
    // The page there would show the layout it had elsewhere, cut to its old place, until it has
    // heard of the change and painted again: until then (dispatchLayoutEvents), for at most
    // kRestoredPictureSeconds, the view shows the picture its page showed there before.
    void restoreState();
    static constexpr double kRestoredPictureSeconds = 1.0;
    bool hasSavedState() const { return savedState_.has_value(); }

    // The debug gesture: an alert with the creative's debug text, offering to copy or report
    // it when there is one (GADAdDebugDialog). Nothing while showDebug is off.
    void handleGesture();
    // The debug alert while it is shown.
    std::shared_ptr<platform::ui::AlertView> alertView() const;

    // Both the ad view and its web view. (The page's navigation, loading state and other
    // settings are the web view's own: webView().)
    void setOpaque(bool opaque);
    // The page's background: the web view's only (the ad view's own stays clear).
    void setBackgroundColor(platform::Color color);
    platform::Color backgroundColor() const;
    const std::shared_ptr<platform::web::WebView>& webView() const { return webView_; }
    // The subview that shows the page and takes its touches.
    const std::shared_ptr<platform::web::WebContentView>& webContentView() const {
        return content_;
    }

    std::shared_ptr<GADAdViewDelegateProtocol> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<GADAdViewDelegateProtocol> delegate) {
        delegate_ = std::move(delegate);
    }
    // The controller that presents the ad (the opener and the handlers present from it). Not
    // View::viewController(), the controller whose own view a view is.
    std::shared_ptr<platform::ui::ViewController> viewController() const {
        return viewController_.lock();
    }
    // A subclass may refuse a controller it cannot be shown by.
    virtual void setViewController(std::weak_ptr<platform::ui::ViewController> controller) {
        viewController_ = std::move(controller);
    }

    // A real touch reached the ad since the slot last cleared it.
    bool touched() const { return touched_; }
    // True: one more touch reached the ad (the touch recognizer's, or a stand-in's, such as a
    // mediated network's view). False: the slot cleared it for a new ad, which has opened
    // nothing yet either and shows in this view until told otherwise (openings).
    void setTouched(bool touched);
    // Touches that reached the ad in its life, so a caller can tell a touch that came after a
    // moment it remembers.
    std::uint64_t touchCount() const { return touchCount_; }
    // What the openers' gate keeps of the ad shown now (GADOpener); a new ad
    // (setTouched(false)) starts it over, but for the touches already used.
    GADAdOpenings& openings() { return openings_; }
    const GADAdOpenings& openings() const { return openings_; }
    bool showDebug() const { return showDebug_; }
    void setShowDebug(bool show) { showDebug_ = show; }
    const std::optional<std::string>& adDebugDialog() const { return adDebugDialog_; }
    void setAdDebugDialog(std::optional<std::string> text) { adDebugDialog_ = std::move(text); }

    const std::shared_ptr<GADAdViewTouchGestureRecognizer>& touchGestureRecognizer() const {
        return touchGestureRecognizer_;
    }
    const std::shared_ptr<GADImpressionTicketGestureRecognizer>& impressionTicketGestureRecognizer()
        const {
        return impressionTicketGestureRecognizer_;
    }

    // The web view always has the ad view's size.
    void setBounds(platform::Rect bounds) override;

    // The page's video (GADAdViewVideoAdditions): made on first use, kept for the view's life;
    // a new page stops it, and the layout places its picture.
    GADAdViewVideoAdditions& videoAdditions();
    bool hasVideoAdditions() const { return video_ != nullptr; }
    void layoutSubviews() override;

  private:
    friend class testing::AdViewTestScope;

    // The web view's calls.
    platform::web::NavigationPolicy webViewPolicyForNavigation(
        platform::web::WebView& webView, const platform::UrlRequest& request,
        platform::web::NavigationType type) override;
    void webViewDidHoldBackNavigation(platform::web::WebView& webView,
                                      const platform::UrlRequest& request,
                                      platform::web::NavigationType type) override;
    bool webViewShouldFollowRedirect(platform::web::WebView& webView,
                                     const platform::UrlRequest& request,
                                     platform::web::NavigationType type) override;
    void webViewDidStartLoad(platform::web::WebView& webView) override;
    void webViewDidFinishLoad(platform::web::WebView& webView) override;
    void webViewDidFailLoad(platform::web::WebView& webView, const platform::Error& error) override;
    void webViewContentSizeDidChange(platform::web::WebView& webView, platform::Size size) override;
    void webViewWebProcessDidEnd(platform::web::WebView& webView,
                                 const platform::Error& error) override;

    std::shared_ptr<GADAdView> self();
    void startNewPage();
    void arrive();
    // `ran` once the page has run them (or failed to).
    void postJSNotifications(const Events& events, std::function<void()> ran);
    void fitWebView();
    static void resetProcessState();

    std::shared_ptr<platform::web::WebView> webView_;
    platform::web::WebViewContext webViewContext_ = platform::web::WebViewContext::Shared;
    std::shared_ptr<platform::web::WebContentView> content_;
    std::optional<platform::Url> URL_;
    // The view URL_ is registered for, by identity only.
    const platform::ui::View* URLView_ = nullptr;
    std::optional<GADAdViewState> savedState_;
    std::unique_ptr<GADAdViewEventQueue> eventQueue_;
    std::shared_ptr<GADAdViewTouchGestureRecognizer> touchGestureRecognizer_;
    std::shared_ptr<GADImpressionTicketGestureRecognizer> impressionTicketGestureRecognizer_;
    bool gestureRecognizersAdded_ = false;
    bool touched_ = false;
    std::uint64_t touchCount_ = 0;
    GADAdOpenings openings_;
    std::uint64_t pageLoadCount_ = 0;
    bool arriving_ = false;
    bool showDebug_ = true;
    std::weak_ptr<platform::ui::ViewController> viewController_;
    std::optional<std::string> adDebugDialog_;
    long orientation_ = 0;
    std::shared_ptr<GADAdDebugDialog> debugDialog_;
    std::weak_ptr<GADAdViewDelegateProtocol> delegate_;
    std::shared_ptr<GADAdViewVideoAdditions> video_;
};

}  // namespace ads
