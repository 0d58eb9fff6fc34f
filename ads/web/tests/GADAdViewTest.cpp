#include "ads/web/GADAdView.h"

#include <gtest/gtest.h>

#include <future>

#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADDeviceSignal.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdURLStash.h"
#include "ads/web/GADAdViewDelegate.h"
#include "ads/web/GADAdViewEventQueue.h"
#include "ads/web/GADSDKCoreController.h"
#include "ads/web/GADWebViewCacheSet.h"
#include "platform/runtime/GlobalQueue.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/ui/Application.h"
#include "platform/ui/Pasteboard.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using platform::Url;
using platform::Value;
using platform::web::FakeWebPage;
using platform::web::NavigationType;

// What the page was asked to run, without the orientation and layout scripts.
std::vector<std::string> events(const FakeWebPage& page) {
    std::vector<std::string> found;
    for (const auto& script : page.evaluations()) {
        if (script.rfind("RADE_ReceiveMessage(", 0) == 0) found.push_back(script);
    }
    return found;
}

std::string event(const std::string& name, const Value::Dictionary& params) {
    Value::Dictionary all{{"version", Value(GADRequest::sdkVersion())},
                          {"device", Value(GADDevice::sharedInstance()->deviceSubmodel())}};
    for (const auto& [k, v] : params) all[k] = v;
    return GADAdView::JSCommandForNotificationName(name, &all);
}

class RecordingDelegate : public GADAdViewDelegateProtocol {
  public:
    bool adViewShouldStartLoadWithRequest(const std::shared_ptr<GADAdView>&,
                                          const platform::UrlRequest& request,
                                          NavigationType type) override {
        log.push_back("should " + request.url().absoluteString() + " " +
                      std::to_string(static_cast<int>(type)));
        return request.url().scheme() != "refused";
    }
    void adViewDidStartLoad(const std::shared_ptr<GADAdView>&) override { log.push_back("start"); }
    void adViewDidFinishLoad(const std::shared_ptr<GADAdView>& view) override {
        log.push_back("finish");
        if (onFinish) onFinish(view);
    }
    void adViewDidFailLoadWithError(const std::shared_ptr<GADAdView>&,
                                    const platform::Error& error) override {
        log.push_back("fail " + std::to_string(error.code));
    }
    void adViewContentSizeDidChange(const std::shared_ptr<GADAdView>&, platform::Size s) override {
        log.push_back("size " + std::to_string(int(s.width)) + "x" + std::to_string(int(s.height)));
    }

    std::vector<std::string> log;
    std::function<void(const std::shared_ptr<GADAdView>&)> onFinish;
};

class TouchCounter : public platform::ui::View {
  public:
    using View::View;
    void touchesBegan(const platform::ui::TouchSet&, const platform::ui::Event&) override {
        log.push_back("began");
    }
    void touchesEnded(const platform::ui::TouchSet&, const platform::ui::Event&) override {
        log.push_back("ended");
    }
    void touchesCancelled(const platform::ui::TouchSet&, const platform::ui::Event&) override {
        log.push_back("cancelled");
    }
    std::vector<std::string> log;
};

class GADAdViewTest : public ::testing::Test {
  protected:
    std::shared_ptr<GADAdView> makeView(platform::Rect frame = {0, 0, 320, 50}) {
        return GADAdView::create(frame);
    }
    FakeWebPage& page(std::size_t index = 0) { return *views.web().pages().at(index); }
    static void finishLoad(FakeWebPage& page) {
        page.fireStart();
        page.fireFinish();
    }
    void setCacheCapacity(Value value) {
        platform::UserDefaults::standard().setObject(settings_keys::kWebViewCacheMaxCapacity,
                                                     std::move(value));
    }
    // An ad view goes: out of the window that holds it, and the last reference dropped.
    void letGo(std::shared_ptr<GADAdView>& view) {
        view->removeFromSuperview();
        view.reset();
        scope.runUntilIdle();
    }
    // The blank page finishes loading and answers the cache's question about its body.
    void finishBlank(FakeWebPage& page, const char* answer) {
        page.fireFinish();
        scope.runUntilIdle();
        page.answerNextScript({answer, std::nullopt, true});
    }
    // An ad's view goes and its web view, blanked clean, waits in the reuse set (room for
    // three).
    void reuseOneWebView() {
        setCacheCapacity(Value(3));
        auto ad = makeView();
        letGo(ad);
        finishBlank(page(), "empty");
        scope.runUntilIdle();
        ASSERT_EQ(GADAdView::webViewCache()->count(), 1u);
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
};

TEST_F(GADAdViewTest, EventsWaitForTheLoadAndArriveInOrder) {
    auto view = makeView();
    view->loadHTMLString("<p>ad</p>", Url::parse("https://ads.test/mads/gma"));
    view->dispatchSDKEvent("onshow", {});
    view->dispatchSDKEvent("onStateChanged", {{"state", Value("expanded")}});
    scope.runUntilIdle();
    EXPECT_TRUE(events(page()).empty());
    EXPECT_EQ(view->waitingEventCount(), 2u);

    finishLoad(page());
    scope.runUntilIdle();
    EXPECT_EQ(events(page()), (std::vector<std::string>{
                                  event("onshow", {}),
                                  event("onStateChanged", {{"state", Value("expanded")}}),
                              }));

    // While the page runs, events go at once, still in order, after the ones before them.
    view->dispatchSDKEvent("a", {});
    view->dispatchSDKEvent("b", {{"version", Value("x")}});
    scope.runUntilIdle();
    ASSERT_EQ(events(page()).size(), 4u);
    EXPECT_EQ(events(page())[2], event("a", {}));
    // A caller's value wins over the default of the same name.
    EXPECT_NE(events(page())[3].find("\"version\":\"x\""), std::string::npos) << events(page())[3];
}

TEST_F(GADAdViewTest, ANewLoadDropsWaitingEventsAndTheTwentyFirstIsDropped) {
    auto view = makeView();
    view->loadHTMLString("<p>first</p>", std::nullopt);
    view->dispatchSDKEvent("forTheOldPage", {});
    view->loadHTMLString("<p>second</p>", std::nullopt);
    for (int i = 0; i < 21; ++i) view->dispatchSDKEvent("e" + std::to_string(i), {});
    EXPECT_EQ(view->waitingEventCount(), GADAdViewEventQueue::kMaxWaiting);
    finishLoad(page());
    scope.runUntilIdle();
    const auto sent = events(page());
    ASSERT_EQ(sent.size(), 20u);
    EXPECT_EQ(sent.front(), event("e0", {}));
    EXPECT_EQ(sent.back(), event("e19", {}));

    // A failed load keeps what waits for the next load that finishes.
    view->loadRequest(*platform::UrlRequest::withString("https://ads.test/next"));
    view->dispatchSDKEvent("late", {});
    page().fireFail(platform::Error{"NSURLErrorDomain", -1004, {}});
    scope.runUntilIdle();
    EXPECT_EQ(events(page()).size(), 20u);
    EXPECT_EQ(view->waitingEventCount(), 1u);

    // A view that is gone gets nothing more.
    finishLoad(page());
    letGo(view);
    EXPECT_EQ(events(page()).size(), 20u);
}

TEST_F(GADAdViewTest, ImmediateEventsQuoteNamesAndDropWhatJSONCannotCarry) {
    auto view = makeView();
    Value::Dictionary data{{"poster", Value::data("\x89PNG", 4)}};
    view->postJSNotification("onVideoEvent", &data);
    view->postJSNotification("it's\n</script>", nullptr);
    // Immediate events do not wait for the page, but run on the next turn, not in the call.
    EXPECT_TRUE(events(page()).empty());
    scope.runUntilIdle();
    EXPECT_EQ(events(page()), (std::vector<std::string>{
                                  "RADE_ReceiveMessage('onVideoEvent');",
                                  R"(RADE_ReceiveMessage('it\'s\n<\/script>');)",
                              }));
}

TEST_F(GADAdViewTest, OrientationIsToldOncePerChange) {
    auto view = makeView();
    const auto before = page().evaluations().size();
    view->setHTMLWindowOrientation(3, true);
    view->setHTMLWindowOrientation(3, true);
    view->setHTMLWindowOrientation(0, true);
    view->setHTMLWindowOrientation(5, false);
    EXPECT_EQ(view->orientation(), 3);
    view->didRotateToOrientation(4);
    const std::vector<std::string> sent(page().evaluations().begin() + before,
                                        page().evaluations().end());
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0],
              "setTimeout(function(){window.__defineGetter__('orientation',function(){return 90;"
              "});(function(){var event = document.createEvent('Events');event.initEvent("
              "'orientationchange', true, false);window.dispatchEvent(event);})();}, 1);");
    EXPECT_EQ(sent[1],
              "setTimeout(function(){window.__defineGetter__('orientation',function(){return -90;"
              "});}, 1);");

    // A finished load tells the page the status bar's orientation through the delegate.
    auto delegate = GADAdViewDelegate::create();
    view->setDelegate(delegate);
    platform::ui::Application::shared().setStatusBarOrientation(2);
    finishLoad(page());
    scope.runUntilIdle();
    EXPECT_EQ(view->orientation(), 2);
    EXPECT_TRUE(delegate->hasLoadedAtLeastOnce());
}

TEST_F(GADAdViewTest, TheDelegateHearsThePageAndMayLetGoOfTheViewMeanwhile) {
    auto delegate = std::make_shared<RecordingDelegate>();
    auto view = makeView();
    view->setDelegate(delegate);
    auto allowed = page().fireNavigation("https://ads.test/a", NavigationType::LinkClicked);
    auto refused = page().fireNavigation("refused://x", NavigationType::Other);
    page().fireStart();
    page().fireContentSize(320, 480);
    page().fireFail(platform::Error{"NSURLErrorDomain", -1001, {}});
    scope.runUntilIdle();
    EXPECT_EQ(allowed->answer, true);
    EXPECT_EQ(refused->answer, false);
    EXPECT_EQ(delegate->log,
              (std::vector<std::string>{"should https://ads.test/a 0", "should refused://x 5",
                                        "start", "size 320x480", "fail -1001"}));

    // A page whose owner let go of it loads nothing more, nor follows a server's redirect.
    view->setDelegate({});
    auto own = page().fireNavigation("https://ads.test/b", NavigationType::Other);
    auto moved = page().fireRedirect("https://ads.test/c", NavigationType::Other);
    scope.runUntilIdle();
    EXPECT_EQ(own->answer, false);
    EXPECT_FALSE(own->heldBack);
    EXPECT_EQ(moved->answer, false);

    // The owner may drop the view inside the finished-load call; the rest of it still runs.
    std::weak_ptr<GADAdView> weak = view;
    view->setDelegate(delegate);
    delegate->onFinish = [&](const std::shared_ptr<GADAdView>&) {
        view->removeFromSuperview();
        view.reset();
    };
    finishLoad(page());
    scope.runUntilIdle();
    EXPECT_TRUE(weak.expired());
}

TEST_F(GADAdViewTest, PageMessagesAreRefusedAsNavigationsAndReachTheHandlers) {
    auto delegate = GADAdViewDelegate::create();
    auto view = makeView();
    view->setDelegate(delegate);
    std::vector<const void*> objects;
    auto observation = platform::NotificationCenter::defaultCenter().observe(
        "showOverlay", nullptr,
        [&](const platform::Notification& n) { objects.push_back(n.object); });
    auto message = page().fireNavigation("gmsg://movuroute/showOverlay?h=1", NavigationType::Other);
    auto link = page().fireNavigation("about:blank", NavigationType::Other);
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return !objects.empty(); }));
    EXPECT_EQ(message->answer, false);
    EXPECT_EQ(link->answer, true);
    EXPECT_EQ(objects, (std::vector<const void*>{view.get()}));

    // A message whose view is gone before it arrives is dropped.
    delegate->handleGMSGURL(*Url::parse("gmsg://movuroute/showOverlay"), view);
    delegate->handleGMSGURL(*Url::parse("gmsg://movuroute/showOverlay"), nullptr);
    letGo(view);
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return objects.size() == 2; }));
    EXPECT_EQ(objects.back(), nullptr);
}

TEST_F(GADAdViewTest, TheUserAgentOfTheFirstRequestThatHasOneIsKept) {
    auto view = makeView();
    page().fireNavigation("https://ads.test/b", NavigationType::Other,
                          {{"User-Agent", "First/1.0"}});
    page().fireNavigation("https://ads.test/c", NavigationType::Other,
                          {{"User-Agent", "Second/2.0"}});
    // Once per process, whichever view asks.
    auto second = makeView();
    page(1).fireNavigation("https://ads.test/d", NavigationType::Other, {{"User-Agent", "Third"}});
    scope.runUntilIdle();
    EXPECT_EQ(GADDevice::sharedInstance()->userAgentString(), "First/1.0");
}

TEST_F(GADAdViewTest, TheRecordedURLIsRegisteredUntilTheViewGoes) {
    auto view = makeView();
    auto other = makeView();
    view->loadHTMLString("<p>ad</p>", Url::parse("http://ads.test/page/"));
    EXPECT_EQ(view->URL()->absoluteString(), "http://ads.test/page/");
    EXPECT_EQ(GADAdURLStash::viewForURL(*Url::parse("http://ads.test/page#x")), view);
    // A page's next address replaces the first, for the view it names.
    view->setURL(Url::parse("http://ads.test/landing"), other);
    EXPECT_EQ(GADAdURLStash::viewForURL(*Url::parse("http://ads.test/page")), nullptr);
    EXPECT_EQ(GADAdURLStash::viewForURL(*Url::parse("http://ads.test/landing")), other);
    letGo(view);
    EXPECT_EQ(GADAdURLStash::viewForURL(*Url::parse("http://ads.test/landing")), nullptr);
    EXPECT_FALSE(GADAdURLStash::hasStashedURLs());
}

TEST_F(GADAdViewTest, ANewViewStartsInThePlaceholderWindowWithTheAdDefaults) {
    auto view = makeView();
    EXPECT_EQ(view->superview(), GADAdView::placeholderWindow());
    EXPECT_FALSE(GADAdView::placeholderWindow()->isKeyWindow());
    const auto& s = page().settings();
    EXPECT_TRUE(s.bounces);
    EXPECT_TRUE(s.scalesPageToFit);
    EXPECT_FALSE(s.opaque);
    EXPECT_EQ(s.backgroundColor, platform::Color::clear());
    EXPECT_FALSE(s.mediaPlaybackRequiresUserAction);
    EXPECT_FALSE(s.scrollsToTop);
    // A page that overflows scrolls, without the desktop's bars beside it.
    EXPECT_TRUE(s.scrollEnabled);
    EXPECT_FALSE(s.showsScrollBars);
    EXPECT_EQ(view->gestureRecognizers().size(), 2u);
    EXPECT_EQ(page().width(), 320);
    EXPECT_EQ(page().height(), 50);
    view->setFrame({0, 0, 300, 250});
    EXPECT_EQ(page().width(), 300);
    EXPECT_EQ(page().height(), 250);

    platform::UserDefaults::standard().setObject(settings_keys::kBannerPreventAutoplay,
                                                 Value(true));
    view->configureAsBannerAdView();
    EXPECT_TRUE(view->isHidden());
    EXPECT_FALSE(page().settings().bounces);
    EXPECT_FALSE(page().settings().scalesPageToFit);
    EXPECT_TRUE(page().settings().mediaPlaybackRequiresUserAction);
    // Resetting keeps one pair of recognizers.
    view->reset();
    EXPECT_EQ(view->gestureRecognizers().size(), 2u);

    view->setOpaque(true);
    view->setBackgroundColor(platform::Color::whiteColor());
    EXPECT_TRUE(view->isOpaque());
    EXPECT_TRUE(page().settings().opaque);
    EXPECT_EQ(page().settings().backgroundColor, platform::Color::whiteColor());
}

TEST_F(GADAdViewTest, SavedPlacementComesBackOnceAndOnlyWhenSaved) {
    auto container = platform::ui::View::create({0, 0, 320, 480});
    auto view = makeView({0, 430, 320, 50});
    container->addSubview(view);
    auto delegate = std::make_shared<RecordingDelegate>();
    auto controller = platform::ui::ViewController::create();
    view->setDelegate(delegate);
    view->setViewController(controller);

    view->restoreState();  // nothing saved: nothing happens
    EXPECT_EQ(view->superview(), container);

    view->saveState();
    auto fullScreen = platform::ui::View::create({0, 0, 320, 480});
    fullScreen->addSubview(view);
    view->setFrame({0, 0, 320, 480});
    view->setDelegate({});
    view->saveState();  // the first placement stays the one remembered
    view->restoreState();
    EXPECT_EQ(view->superview(), container);
    EXPECT_EQ(view->frame(), (platform::Rect{0, 430, 320, 50}));
    EXPECT_EQ(view->delegate(), delegate);
    EXPECT_EQ(view->viewController(), controller);
    EXPECT_FALSE(view->hasSavedState());
    view->removeFromSuperview();
}

TEST_F(GADAdViewTest, TheDebugDialogShowsTheCreativeTextToCopy) {
    platform::ui::AlertView::resetAll();
    auto view = makeView();
    view->handleGesture();
    auto alert = platform::ui::AlertView::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Debug Creative Info");
    EXPECT_EQ(alert->message(), "Creative information is not available");
    EXPECT_EQ(alert->numberOfButtons(), 1);
    alert->tapButton(0);
    scope.runUntilIdle();

    view->setAdDebugDialog("creative 42, line item 7");
    view->handleGesture();
    alert = platform::ui::AlertView::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message(), "creative 42, line item 7");
    ASSERT_EQ(alert->numberOfButtons(), 3);
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "OK");
    EXPECT_EQ(alert->buttonTitleAtIndex(1), "Copy");
    EXPECT_EQ(alert->buttonTitleAtIndex(2), "Report");
    alert->tapButton(1);
    scope.runUntilIdle();
    EXPECT_EQ(platform::ui::Pasteboard::generalPasteboard().string(), "creative 42, line item 7");
    EXPECT_FALSE(view->alertView());

    view->setShowDebug(false);
    view->handleGesture();
    EXPECT_FALSE(platform::ui::AlertView::visibleAlert());
}

TEST_F(GADAdViewTest, ARealTouchMarksTheAdAndReachesThePageUntouched) {
    auto window = platform::ui::Window::create({0, 0, 320, 480});
    auto view = makeView({0, 100, 320, 50});
    window->addSubview(view);
    auto inside = std::make_shared<TouchCounter>(platform::Rect{0, 0, 320, 50});
    view->addSubview(inside);
    GADDeviceSignal::shared().clearTouches();
    platform::ui::TouchInput input(window);
    scope.clock().advance(1);
    input.touchDown(1, {30, 120});
    EXPECT_TRUE(view->touched());
    scope.clock().advance(0.25);
    input.touchUp(1, {40, 110});
    scope.runUntilIdle();
    // Neither recognizer took the touch from the page.
    EXPECT_EQ(inside->log, (std::vector<std::string>{"began", "ended"}));
    const auto touches = GADDeviceSignal::shared().recordedTouches();
    ASSERT_EQ(touches.size(), 1u);
    EXPECT_EQ(touches[0].x, 40);
    EXPECT_EQ(touches[0].y, 10);
    EXPECT_EQ(touches[0].durationMilliseconds, 250);
    view->setTouched(false);
    view->removeFromSuperview();
}

TEST_F(GADAdViewTest, ReuseFollowsTheCapacityTheSettingsGive) {
    struct Case {
        Value capacity;  // null: absent
        std::size_t reused;
    };
    for (const Case& c : {Case{Value(10), 0}, Case{Value(), 0}, Case{Value(2), 2}}) {
        SCOPED_TRACE(c.capacity.description());
        ads::testing::AdViewTestScope fresh;
        setCacheCapacity(c.capacity);
        std::vector<std::shared_ptr<GADAdView>> made;
        for (int i = 0; i < 3; ++i) made.push_back(makeView());
        for (auto& view : made) letGo(view);
        // Each blank page finishes empty.
        for (const auto& page : fresh.web().pages()) {
            finishBlank(*page, "empty");
        }
        scope.runUntilIdle();
        EXPECT_EQ(GADAdView::webViewCache()->count(), c.reused);
        for (int i = 0; i < 3; ++i) made.push_back(makeView());
        EXPECT_EQ(fresh.web().pages().size(), 6u - c.reused);
        for (auto& view : made) {
            if (view) view->removeFromSuperview();
        }
    }
}

// The core page's view runs in the program's own context: it takes no ad's web view from the
// reuse set, and its own never becomes one an ad gets.
TEST_F(GADAdViewTest, AServiceViewNeitherTakesNorGivesReusedWebViews) {
    ASSERT_NO_FATAL_FAILURE(reuseOneWebView());

    auto service = GADAdView::create({0, 0, 1, 1}, platform::web::WebViewContext::Service);
    EXPECT_EQ(service->webView()->context(), platform::web::WebViewContext::Service);
    EXPECT_EQ(GADAdView::webViewCache()->count(), 1u);
    letGo(service);
    EXPECT_EQ(GADAdView::webViewCache()->count(), 1u);
    EXPECT_EQ(GADAdView::webViewCache()->clearingCount(), 0u);
    // The next ad gets the reused one, of the shared context.
    auto next = makeView();
    EXPECT_EQ(next->webView()->context(), platform::web::WebViewContext::Shared);
    EXPECT_EQ(GADAdView::webViewCache()->count(), 0u);
    next->removeFromSuperview();
}

TEST_F(GADAdViewTest, MemoryWarningEmptiesTheReuseSet) {
    ASSERT_NO_FATAL_FAILURE(reuseOneWebView());
    platform::ui::Application::shared().receiveMemoryWarning();
    scope.runUntilIdle();
    EXPECT_EQ(GADAdView::webViewCache()->count(), 0u);
}

#ifndef NDEBUG

// The ad view and the SDK core controller belong to the main thread; a call from a pool thread
// is caught, named after the method.
TEST_F(GADAdViewTest, MainThreadMethodsCalledFromAPoolThreadAreCaught) {
    std::vector<std::string> violations;
    platform::ThreadChecker::ScopedHandlerForTesting handler(
        [&](const char* function) { violations.emplace_back(function); });
    ads::testing::SDKCoreTestScope core;
    auto view = makeView();
    auto controller = GADSDKCoreController::sharedInstance();
    EXPECT_EQ(view->waitingEventCount(), 0u);
    controller->finishedUsingSDKCoreWebViewForActiveViewProcessing(nullptr);
    EXPECT_TRUE(violations.empty());

    // The main thread waits meanwhile, so nothing races.
    std::promise<void> done;
    platform::GlobalQueue::async([&] {
        (void)view->waitingEventCount();
        controller->finishedUsingSDKCoreWebViewForActiveViewProcessing(nullptr);
        done.set_value();
    });
    done.get_future().wait();
    EXPECT_EQ(violations,
              (std::vector<std::string>{"waitingEventCount",
                                        "finishedUsingSDKCoreWebViewForActiveViewProcessing"}));
}

#endif

}  // namespace
}  // namespace ads
