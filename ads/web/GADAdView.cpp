#include "ads/web/GADAdView.h"

#include <algorithm>

#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADSettings.h"
#include "ads/web/GADAdDebugDialog.h"
#include "ads/web/GADAdURLStash.h"
#include "ads/web/GADAdViewEventQueue.h"
#include "ads/web/GADAdViewTouchGestureRecognizer.h"
#include "ads/web/GADAdViewVideoAdditions.h"
#include "ads/web/GADImpressionTicketGestureRecognizer.h"
#include "ads/web/GADNotification.h"
#include "ads/web/GADPageScripts.h"
#include "ads/web/GADWebViewCacheSet.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace ads {

using platform::Value;
using platform::web::WebView;
namespace ui = platform::ui;

namespace {

// Process-wide, as the reuse set and the placeholder window are: made on first use on the main
// thread and only touched there.
struct ProcessState {
    std::shared_ptr<GADWebViewCacheSet> cache;
    std::shared_ptr<ui::Window> placeholderWindow;
    // The web view's agent is handed to the device once per process.
    bool userAgentRecorded = false;

    static ProcessState& shared() {
        static ProcessState* state = new ProcessState;
        return *state;
    }
};

// Every queued event tells the page which SDK and which device it runs on.
Value::Dictionary eventDefaults() {
    return {{"version", Value(GADRequest::sdkVersion())},
            {"device", Value(GADDevice::sharedInstance()->deviceSubmodel())}};
}

GADAdView::Events withEventDefaults(const GADAdView::Events& events) {
    GADAdView::Events withDefaults;
    for (const auto& [name, parameters] : events) {
        Value::Dictionary userInfo = eventDefaults();
        for (const auto& [key, value] : parameters) userInfo[key] = value;
        withDefaults.emplace_back(name, std::move(userInfo));
    }
    return withDefaults;
}

platform::Size webViewSize(platform::Size size) {
    return {std::max(1.0, size.width), std::max(1.0, size.height)};
}

}  // namespace

// Creation

std::shared_ptr<GADAdView> GADAdView::create(platform::Rect frame) {
    return create(frame, platform::web::WebViewContext::Shared);
}

std::shared_ptr<GADAdView> GADAdView::create(platform::Rect frame,
                                             platform::web::WebViewContext context) {
    MOVU_CHECK_MAIN_THREAD();
    auto view = std::make_shared<GADAdView>(Private{}, frame);
    view->webViewContext_ = context;
    view->setUp();
    return view;
}

GADAdView::GADAdView(Private, platform::Rect frame)
    : View(frame),
      eventQueue_(std::make_unique<GADAdViewEventQueue>()),
      debugDialog_(std::make_shared<GADAdDebugDialog>()) {}

void GADAdView::setUp() {
    std::weak_ptr<GADAdView> weakSelf = self();
    impressionTicketGestureRecognizer_ = std::make_shared<GADImpressionTicketGestureRecognizer>();
    impressionTicketGestureRecognizer_->addTarget([weakSelf](ui::GestureRecognizer&) {
        if (auto view = weakSelf.lock()) view->handleGesture();
    });
    touchGestureRecognizer_ = std::make_shared<GADAdViewTouchGestureRecognizer>([weakSelf] {
        if (auto view = weakSelf.lock()) view->setTouched(true);
    });

    if (webViewContext_ == platform::web::WebViewContext::Shared) webView_ = cachedWebView();
    if (webView_) {
        webView_->setSize(webViewSize(bounds().size));
    } else {
        webView_ = WebView::create(webViewSize(bounds().size), webViewContext_);
    }
    // The delegate side is a private base: handed out through the view's own ownership.
    webView_->setDelegate(std::shared_ptr<platform::web::WebViewDelegate>(
        self(), static_cast<platform::web::WebViewDelegate*>(this)));
    auto settings = webView_->settings();
    settings.bounces = true;
    settings.messageScheme = GADNotification::kScheme;
    webView_->setSettings(settings);
    content_ = platform::web::WebContentView::create(bounds());
    content_->setAutoresizingMask(ui::AutoresizingFlexibleWidth | ui::AutoresizingFlexibleHeight);
    content_->setWebView(webView_);
    addSubview(content_);

    reset();
    // Placed in a window from the start, as a view must be for its page to run like a shown
    // one; its owner moves it to where the ad goes.
    placeholderWindow()->addSubview(self());
}

GADAdView::~GADAdView() {
    if (URL_) GADAdURLStash::remove(*URL_, URLView_);
    if (content_) content_->setWebView(nullptr);
    if (webView_) {
        webView_->setDelegate({});
        if (webView_->context() == platform::web::WebViewContext::Shared) {
            cacheWebView(std::move(webView_));
        }
    }
}

void GADAdView::setTouched(bool touched) {
    touched_ = touched;
    if (touched) {
        ++touchCount_;
    } else {
        openings_.startOver();
    }
}

std::shared_ptr<GADAdView> GADAdView::self() {
    return std::static_pointer_cast<GADAdView>(shared_from_this());
}

// Process-wide

std::shared_ptr<GADWebViewCacheSet> GADAdView::webViewCache() {
    MOVU_CHECK_MAIN_THREAD();
    auto& state = ProcessState::shared();
    if (!state.cache) {
        state.cache = GADWebViewCacheSet::create(
            static_cast<std::uint64_t>(GADSettings().webViewCacheMaxCapacity()));
    }
    return state.cache;
}

std::shared_ptr<WebView> GADAdView::cachedWebView() {
    MOVU_CHECK_MAIN_THREAD();
    auto cache = webViewCache();
    return cache->maxCapacity() == 0 ? nullptr : cache->anyObject();
}

void GADAdView::cacheWebView(std::shared_ptr<WebView> webView) {
    MOVU_CHECK_MAIN_THREAD();
    webViewCache()->addObject(std::move(webView));
}

std::shared_ptr<ui::Window> GADAdView::placeholderWindow() {
    MOVU_CHECK_MAIN_THREAD();
    auto& state = ProcessState::shared();
    if (!state.placeholderWindow) {
        state.placeholderWindow = ui::Window::create(ui::Screen::mainScreen().bounds());
    }
    return state.placeholderWindow;
}

void GADAdView::resetProcessState() {
    auto& state = ProcessState::shared();
    if (state.placeholderWindow) {
        // Copied: each removal changes the window's list.
        auto views = state.placeholderWindow->subviews();
        for (auto& view : views) view->removeFromSuperview();
    }
    // Emptied here first, so its web views are let go on this thread, not on the set's queue.
    if (state.cache) state.cache->removeAllObjects();
    state.cache.reset();
    state.userAgentRecorded = false;
}

std::string GADAdView::JSCommandForNotificationName(std::string_view name,
                                                    const Value::Dictionary* userInfo) {
    return GADPageEventCommand(name, userInfo);
}

// Settings

void GADAdView::reset() {
    MOVU_CHECK_MAIN_THREAD();
    auto settings = webView_->settings();
    settings.clipsToBounds = true;
    settings.scalesPageToFit = true;
    settings.opaque = false;
    settings.backgroundColor = platform::Color::clear();
    settings.dataDetectorTypes = 0;
    settings.allowsInlineMediaPlayback = true;
    settings.mediaPlaybackRequiresUserAction = false;
    settings.mediaPlaybackAllowsAirPlay = true;
    settings.scrollEnabled = true;
    // A phone's web view shows no bars beside its page, only while it scrolls; a desktop bar
    // would cover the edge of a creative that overflows by a margin.
    settings.showsScrollBars = false;
    settings.scrollsToTop = false;
    webView_->setSettings(settings);
    setAutoresizingMask(ui::AutoresizingFlexibleWidth | ui::AutoresizingFlexibleHeight);
    View::setOpaque(false);
    if (!gestureRecognizersAdded_) {
        addGestureRecognizer(impressionTicketGestureRecognizer_);
        addGestureRecognizer(touchGestureRecognizer_);
        gestureRecognizersAdded_ = true;
    }
}

void GADAdView::configureAsBannerAdView() {
    MOVU_CHECK_MAIN_THREAD();
    auto settings = webView_->settings();
    settings.bounces = false;
    settings.scalesPageToFit = false;
    settings.mediaPlaybackRequiresUserAction = GADSettings().bannerPreventAutoplay();
    webView_->setSettings(settings);
    setHidden(true);
}

void GADAdView::configureAsInterstitialAdView() {
    MOVU_CHECK_MAIN_THREAD();
    auto settings = webView_->settings();
    settings.bounces = false;
    settings.scalesPageToFit = false;
    webView_->setSettings(settings);
}

// Loading

// What goes with the page before: its queued events, a picture held in its place, its video.
void GADAdView::startNewPage() {
    ++pageLoadCount_;
    eventQueue_->holdForNewPage();
    // An arrival event that waited goes with the rest: the new page is up as it loads.
    arriving_ = false;
    content_->endHold();
    if (video_) video_->stopForNewPage();
}

void GADAdView::loadHTMLString(const std::string& html,
                               const std::optional<platform::Url>& baseURL) {
    MOVU_CHECK_MAIN_THREAD();
    startNewPage();
    setURL(baseURL, self());
    const platform::Url blank = *platform::Url::parse("about:blank");
    webView_->loadHTMLString(html, baseURL.value_or(blank));
}

void GADAdView::loadRequest(const platform::UrlRequest& request) {
    MOVU_CHECK_MAIN_THREAD();
    startNewPage();
    webView_->loadRequest(request);
}

void GADAdView::setURL(const std::optional<platform::Url>& url,
                       const std::shared_ptr<ui::View>& forView) {
    MOVU_CHECK_MAIN_THREAD();
    if (URL_) GADAdURLStash::remove(*URL_, URLView_);
    URL_ = url;
    URLView_ = forView.get();
    if (URL_) GADAdURLStash::add(*URL_, forView);
}

// Events

void GADAdView::dispatchSDKEvent(const std::string& name, const Value::Dictionary& parameters) {
    MOVU_CHECK_MAIN_THREAD();
    Value::Dictionary userInfo = eventDefaults();
    for (const auto& [key, value] : parameters) userInfo[key] = value;
    std::weak_ptr<GADAdView> weakSelf = self();
    eventQueue_->add([weakSelf, name, userInfo = std::move(userInfo)] {
        if (auto view = weakSelf.lock()) view->postJSNotification(name, &userInfo);
    });
}

void GADAdView::dispatchSDKEvents(const Events& events) {
    MOVU_CHECK_MAIN_THREAD();
    if (events.empty()) return;
    Events withDefaults = withEventDefaults(events);
    std::weak_ptr<GADAdView> weakSelf = self();
    eventQueue_->add([weakSelf, events = std::move(withDefaults)] {
        if (auto view = weakSelf.lock()) view->postJSNotifications(events);
    });
}

void GADAdView::postJSNotifications(const Events& events) {
    MOVU_CHECK_MAIN_THREAD();
    postJSNotifications(events, {});
}

void GADAdView::postJSNotifications(const Events& events, std::function<void()> ran) {
    if (events.empty()) return;
    platform::MainLoop::main().post(
        [view = self(), script = GADPageEventsCommand(events), ran = std::move(ran)] {
            if (!ran) {
                view->webView_->evaluateJavaScript(script);
                return;
            }
            // Run or failed alike: the page has nothing more to hear of this.
            view->webView_->runJavaScript(script,
                                          [ran](const std::optional<platform::Error>&) { ran(); });
        });
}

void GADAdView::dispatchArrivalEvent(const std::string& name) {
    MOVU_CHECK_MAIN_THREAD();
    std::weak_ptr<GADAdView> weakSelf = self();
    const bool queued = eventQueue_->add([weakSelf, events = withEventDefaults({{name, {}}})] {
        auto view = weakSelf.lock();
        if (!view) return;
        view->postJSNotifications(events, [weakSelf] {
            if (auto arrived = weakSelf.lock()) arrived->arrive();
        });
    });
    if (!queued) arrive();
}

void GADAdView::arrive() {
    if (!arriving_) return;
    arriving_ = false;
    // Its video starts now rather than at its next look.
    if (video_) video_->adDidArrive();
}

void GADAdView::dispatchLayoutEvents(const Events& events) {
    MOVU_CHECK_MAIN_THREAD();
    // A picture held since resumes with these, not with what the page was told before it.
    std::weak_ptr<platform::web::WebContentView> content = content_;
    auto resume = [content, hold = content_->hold()] {
        if (auto view = content.lock()) view->resumeAfterFreshFrame(hold);
    };
    if (events.empty()) {
        resume();
        return;
    }
    std::weak_ptr<GADAdView> weakSelf = self();
    eventQueue_->add([weakSelf, events = withEventDefaults(events), resume] {
        if (auto view = weakSelf.lock()) view->postJSNotifications(events, resume);
    });
}

std::size_t GADAdView::waitingEventCount() const {
    MOVU_CHECK_MAIN_THREAD();
    return eventQueue_->waitingCount();
}

void GADAdView::postJSNotification(const std::string& name, const Value::Dictionary* userInfo) {
    MOVU_CHECK_MAIN_THREAD();
    platform::MainLoop::main().post(
        [view = self(), script = JSCommandForNotificationName(name, userInfo)] {
            view->webView_->evaluateJavaScript(script);
        });
}

std::string GADAdView::stringByEvaluatingJavaScriptFromString(const std::string& script,
                                                              std::size_t longestValue) {
    MOVU_CHECK_MAIN_THREAD();
    return webView_->stringByEvaluatingJavaScriptFromString(
        script, platform::web::WebView::kDefaultScriptTimeout, longestValue);
}

void GADAdView::executeJavaScriptAsynchronouslyFromString(const std::string& script) {
    MOVU_CHECK_MAIN_THREAD();
    webView_->evaluateJavaScript(GADAsynchronousScript(script));
}

// Orientation

void GADAdView::setHTMLWindowOrientation(long orientation,
                                         bool shouldDispatchOrientationChangeEvent) {
    MOVU_CHECK_MAIN_THREAD();
    const auto degrees = GADOrientationDegrees(orientation);
    if (!degrees || orientation == orientation_) return;
    orientation_ = orientation;
    executeJavaScriptAsynchronouslyFromString(
        GADOrientationScript(*degrees, shouldDispatchOrientationChangeEvent));
}

// Saved placement

void GADAdView::saveState() {
    MOVU_CHECK_MAIN_THREAD();
    if (savedState_) return;
    savedState_ =
        GADAdViewState{frame(), superview(), delegate_, viewController_, content_->pagePicture()};
    content_->endHold();
}

void GADAdView::restoreState() {
    MOVU_CHECK_MAIN_THREAD();
    if (!savedState_) return;
    auto keep = self();
    GADAdViewState state = std::move(*savedState_);
    savedState_.reset();
    removeFromSuperview();
    setFrame(state.frame);
    if (state.superview) state.superview->addSubview(keep);
    delegate_ = state.delegate;
    viewController_ = state.viewController;
    if (!state.picture.empty())
        content_->holdFrame(std::move(state.picture), kRestoredPictureSeconds);
}

// Debug dialog

void GADAdView::handleGesture() {
    MOVU_CHECK_MAIN_THREAD();
    if (showDebug_) debugDialog_->show(adDebugDialog_);
}

std::shared_ptr<ui::AlertView> GADAdView::alertView() const {
    MOVU_CHECK_MAIN_THREAD();
    return debugDialog_->alertView();
}

// Appearance

void GADAdView::setOpaque(bool opaque) {
    MOVU_CHECK_MAIN_THREAD();
    View::setOpaque(opaque);
    auto settings = webView_->settings();
    settings.opaque = opaque;
    webView_->setSettings(settings);
}

void GADAdView::setBackgroundColor(platform::Color color) {
    MOVU_CHECK_MAIN_THREAD();
    auto settings = webView_->settings();
    settings.backgroundColor = color;
    webView_->setSettings(settings);
}

platform::Color GADAdView::backgroundColor() const {
    MOVU_CHECK_MAIN_THREAD();
    return webView_->settings().backgroundColor;
}

// Layout

void GADAdView::fitWebView() {
    if (webView_) webView_->setSize(webViewSize(bounds().size));
}

void GADAdView::setBounds(platform::Rect bounds) {
    MOVU_CHECK_MAIN_THREAD();
    View::setBounds(bounds);
    fitWebView();
}

GADAdViewVideoAdditions& GADAdView::videoAdditions() {
    MOVU_CHECK_MAIN_THREAD();
    if (!video_) video_ = GADAdViewVideoAdditions::create(self());
    return *video_;
}

void GADAdView::layoutSubviews() {
    View::layoutSubviews();
    if (video_) video_->layout();
}

// The web view's calls

platform::web::NavigationPolicy GADAdView::webViewPolicyForNavigation(
    WebView&, const platform::UrlRequest& request, platform::web::NavigationType type) {
    auto keep = self();
    auto& state = ProcessState::shared();
    if (!state.userAgentRecorded) {
        const std::string agent = request.userAgent();
        if (!agent.empty()) {
            state.userAgentRecorded = true;
            GADDevice::sharedInstance()->setUserAgentString(agent);
        }
    }
    // A page nobody drives any more (its slot or screen let go of it, and the view lives on for
    // a moment) goes nowhere: its own navigation would fetch a landing page by itself.
    auto delegate = delegate_.lock();
    return delegate ? delegate->adViewPolicyForNavigation(keep, request, type)
                    : platform::web::NavigationPolicy::Refuse;
}

void GADAdView::webViewDidHoldBackNavigation(WebView&, const platform::UrlRequest& request,
                                             platform::web::NavigationType type) {
    auto keep = self();
    if (auto delegate = delegate_.lock())
        delegate->adViewDidHoldBackNavigation(keep, request, type);
}

bool GADAdView::webViewShouldFollowRedirect(WebView&, const platform::UrlRequest& request,
                                            platform::web::NavigationType type) {
    auto keep = self();
    auto delegate = delegate_.lock();
    return delegate && delegate->adViewShouldFollowRedirect(keep, request, type);
}

void GADAdView::webViewDidStartLoad(WebView&) {
    auto keep = self();
    if (auto delegate = delegate_.lock()) delegate->adViewDidStartLoad(keep);
}

void GADAdView::webViewDidFinishLoad(WebView&) {
    auto keep = self();
    eventQueue_->release();
    if (auto delegate = delegate_.lock()) delegate->adViewDidFinishLoad(keep);
    // A one-point-high frame and back makes the page lay out again at its final size.
    webView_->setSize({webViewSize(bounds().size).width, 1});
    fitWebView();
}

void GADAdView::webViewDidFailLoad(WebView&, const platform::Error& error) {
    auto keep = self();
    if (auto delegate = delegate_.lock()) delegate->adViewDidFailLoadWithError(keep, error);
}

void GADAdView::webViewWebProcessDidEnd(WebView&, const platform::Error& error) {
    auto keep = self();
    if (auto delegate = delegate_.lock()) delegate->adViewWebProcessDidEnd(keep, error);
}

void GADAdView::webViewContentSizeDidChange(WebView&, platform::Size size) {
    auto keep = self();
    if (auto delegate = delegate_.lock()) delegate->adViewContentSizeDidChange(keep, size);
}

}  // namespace ads
