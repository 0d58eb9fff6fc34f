#include "ads/fullscreen/GADOpenerGMSGHandler.h"
#include "ads/slot/GADBannerAdViewDelegate.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/fullscreen/GADAdAppGMSGHandler.h"
#include "ads/fullscreen/GADDefaultGMSGHandler.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/slot/GADAppEventGMSGHandler.h"
#include "ads/slot/GADMRAIDGMSGHandler.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/GADSwipeToViewControllerGMSGHandler.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADCSIGMSGHandler.h"
#include "ads/web/GADDelayPageLoadGMSGHandler.h"
#include "ads/web/GADGMSGHandler.h"
#include "ads/web/GADPrecacheGMSGHandler.h"
#include "ads/web/GADVideoPlayerGMSGHandler.h"
#include "platform/net/UrlError.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Url;
using platform::Value;
using platform::web::FakeWebPage;
using platform::web::NavigationType;
using State = GADSlotState;

class Owner : public GADSlotDelegate, public GADSlotAdLoadDelegate {
  public:
    void slotDidReceiveAdClick(GADSlot&) override { ++clicks; }
    void slotDidReceiveAppEvent(GADSlot&, const std::string& name,
                                const std::optional<std::string>&) override {
        appEvents.push_back(name);
    }
    void slotFinishedLoadingAdContent(GADSlot&) override { ++finished; }
    void slotDidFailToLoadAdContentWithError(GADSlot&, const GADRequestError& error) override {
        failures.push_back(error.code);
    }
    int clicks = 0, finished = 0;
    std::vector<std::int64_t> failures;
    std::vector<std::string> appEvents;
};

// The page's delay handler is only a name here: the delegate hears the counts.
class DelayHandler : public GADGMSGHandler {};

class GADBannerAdViewDelegateTest : public ::testing::Test {
  protected:
    GADBannerAdViewDelegateTest() {
        slot->setAdType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner), false);
        slot->setDelegates({.slot = owner, .adLoad = owner});
        auto& application = platform::ui::Application::shared();
        // The banner on screen, in an active application: ads open nothing otherwise.
        window->makeKeyWindow();
        application.becomeActive();
        window->addSubview(slot->adView());
        application.setDesktopOpener([](const std::vector<std::string>&) { return true; });
        openedBefore = application.openedURLs().size();
    }
    ~GADBannerAdViewDelegateTest() override {
        platform::ui::Application::shared().setDesktopOpener({});
    }

    std::shared_ptr<GADBannerAdViewDelegate> delegate() {
        return GADSlotTestPeer(slot).adViewDelegate();
    }
    FakeWebPage& page() { return *views.web().pages().back(); }
    // An ad with HTML, up to the point its page is loading (state 5).
    void startRendering() {
        auto request = GADRequest::request();
        request->registerAdNetworkExtras(GADExtras::create(Value::Dictionary{
            {"_ad", Value::dictionary({{"ad_html", Value("<a href='https://land.test/'>x</a>")},
                                       {"ad_base_url", Value("https://ads.test/ad")}})}}));
        slot->loadRequest(request);
        ASSERT_TRUE(
            platform::testing::runMainLoopUntil([&] { return slot->state() == State::Rendering; }));
        page().setCurrentUrl("https://ads.test/ad");
        page().fireStart();
    }
    void finishPage() {
        page().fireFinish();
        scope.runUntilIdle();
    }
    // Whether the page loads a navigation of its own (or of a frame), as the web view asks it
    // and carries out the answer; what comes of it has happened on return.
    bool navigate(const std::string& url, NavigationType type = NavigationType::LinkClicked,
                  FakeWebPage::Target target = FakeWebPage::Target::Page) {
        auto navigation = page().fireNavigation(url, type, {}, target);
        scope.runUntilIdle();
        return navigation->answer.value_or(false);
    }
    // What this test opened outside the app.
    std::vector<std::string> opened() {
        const auto& all = platform::ui::Application::shared().openedURLs();
        return {all.begin() + static_cast<std::ptrdiff_t>(openedBefore), all.end()};
    }
    std::size_t openedBefore = 0;

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<Owner> owner = std::make_shared<Owner>();
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<GADSlot> slot = GADSlot::create({0, 0, 320, 50});
    DelayHandler handler;
};

TEST_F(GADBannerAdViewDelegateTest, ClicksNeedATouchTimeAndALinkClick) {
    startRendering();
    finishPage();
    ASSERT_EQ(slot->state(), State::ValidAd);
    // 0.1 s after the load, or without a touch, a link is no click: it loads in the ad.
    scope.advance(0.1);
    slot->adView()->setTouched(true);
    EXPECT_FALSE(delegate()->isClick(NavigationType::LinkClicked));
    scope.advance(0.1);
    EXPECT_TRUE(delegate()->isClick(NavigationType::LinkClicked));
    EXPECT_FALSE(delegate()->isClick(NavigationType::BackForward));
    EXPECT_FALSE(delegate()->isClick(NavigationType::Reload));
    slot->adView()->setTouched(false);
    EXPECT_FALSE(delegate()->isClick(NavigationType::LinkClicked));
    EXPECT_TRUE(navigate("https://land.test/"));

    // A touched frame's navigation loads in its frame and is no click.
    slot->adView()->setTouched(true);
    EXPECT_TRUE(
        navigate("https://pictures.test/2", NavigationType::Other, FakeWebPage::Target::Frame));
    EXPECT_EQ(owner->clicks, 0);
    EXPECT_TRUE(opened().empty());
    // A touched click on a web link of the page's own: not loaded, counted and pinged once,
    // opened.
    EXPECT_FALSE(navigate("https://land.test/"));
    EXPECT_EQ(owner->clicks, 1);
    EXPECT_EQ(opened(), (std::vector<std::string>{"https://land.test/"}));
    EXPECT_EQ(delegate()->opener()->referringURL(), Url::parse("https://ads.test/ad"));
    EXPECT_TRUE(delegate()->opener()->didOpenAnotherApplication());

    // A document made in place loads where it is asked for under a click too, in a frame or
    // not, and is not counted, but for an empty one, which would blank what shows; file never
    // loads.
    EXPECT_FALSE(navigate("about:blank"));
    EXPECT_FALSE(navigate("about:blank", NavigationType::LinkClicked, FakeWebPage::Target::Frame));
    EXPECT_TRUE(navigate("about:srcdoc", NavigationType::Other, FakeWebPage::Target::Frame));
    EXPECT_TRUE(navigate("data:text/html,%3Cp%3E1%3C/p%3E", NavigationType::Other,
                         FakeWebPage::Target::Frame));
    EXPECT_TRUE(navigate("blob:https://ads.test/6f1c"));
    EXPECT_FALSE(navigate("file:///etc/passwd"));
    EXPECT_FALSE(navigate("file:///etc/passwd", NavigationType::Other, FakeWebPage::Target::Frame));
    EXPECT_EQ(owner->clicks, 1);
    // The next touch's link followed in a frame is its click: not loaded, counted, opened.
    slot->adView()->setTouched(true);
    EXPECT_FALSE(navigate("https://land.test/framed", NavigationType::LinkClicked,
                          FakeWebPage::Target::Frame));
    EXPECT_EQ(owner->clicks, 2);
    EXPECT_EQ(opened(),
              (std::vector<std::string>{"https://land.test/", "https://land.test/framed"}));
    // In state 5 nothing is a click.
    GADSlotTestPeer(slot).setState(State::Rendering);
    EXPECT_FALSE(delegate()->isClick(NavigationType::LinkClicked));
}

TEST_F(GADBannerAdViewDelegateTest, OneTapIsOneClickAndARedirectIsNone) {
    startRendering();
    finishPage();
    scope.advance(0.2);
    slot->adView()->setTouched(true);
    const auto shown = slot->adView()->URL();

    // As the web view asks: refused, counted once, opened once; the page stays where it was.
    auto click = page().fireNavigation("https://land.test/", NavigationType::LinkClicked);
    scope.runUntilIdle();
    EXPECT_EQ(click->answer, false);
    EXPECT_EQ(owner->clicks, 1);
    EXPECT_EQ(opened(), (std::vector<std::string>{"https://land.test/"}));
    EXPECT_EQ(slot->adView()->URL(), shown);

    // A server's redirect of a load the page was allowed keeps the link-click type it started
    // with, yet is no click: the page rules alone decide, and a web page loads.
    auto moved = page().fireRedirect("https://land.test/moved", NavigationType::LinkClicked);
    scope.runUntilIdle();
    EXPECT_EQ(moved->answer, true);
    EXPECT_EQ(owner->clicks, 1);
    EXPECT_EQ(opened(), (std::vector<std::string>{"https://land.test/"}));
    EXPECT_EQ(slot->adView()->URL(), Url::parse("https://land.test/moved"));
}

TEST_F(GADBannerAdViewDelegateTest, APageThatHoldsItsLoadedSignal) {
    startRendering();
    // Two starts and one stop keep it held; the impression waits.
    delegate()->loadHandlerDidChangeDelay(handler, 0, 1);
    delegate()->loadHandlerDidChangeDelay(handler, 1, 2);
    finishPage();
    delegate()->loadHandlerDidChangeDelay(handler, 2, 1);
    EXPECT_TRUE(delegate()->loadDelayed());
    EXPECT_EQ(slot->state(), State::Rendering);
    EXPECT_EQ(owner->finished, 0);
    // The last stop lets the finished load through.
    delegate()->loadHandlerDidChangeDelay(handler, 1, 0);
    EXPECT_EQ(slot->state(), State::ValidAd);
    EXPECT_EQ(owner->finished, 1);
    EXPECT_TRUE(GADSlotTestPeer(slot).viewHasMadeImpression());
}

TEST_F(GADBannerAdViewDelegateTest, CancelledDelaysAndFailedPages) {
    startRendering();
    delegate()->loadHandlerDidChangeDelay(handler, 0, 1);
    delegate()->loadHandlerDidCancel(handler);
    EXPECT_EQ(owner->failures, (std::vector<std::int64_t>{2}));
    EXPECT_EQ(slot->state(), State::InvalidAd);

    // A load we cancelled ourselves is no failure; our own errors pass through; any other is
    // a network error - but only while the ad is fetched or rendered.
    owner->failures.clear();
    startRendering();
    delegate()->adViewDidFailLoadWithError(
        slot->adView(), platform::Error(platform::kUrlErrorDomain, platform::kUrlErrorCancelled));
    EXPECT_EQ(slot->state(), State::Rendering);
    delegate()->adViewDidFailLoadWithError(slot->adView(), GADRequestError::errorWithCode(5));
    EXPECT_EQ(owner->failures, (std::vector<std::int64_t>{5}));
    delegate()->adViewDidFailLoadWithError(slot->adView(), platform::Error("x", 1));
    EXPECT_EQ(owner->failures, (std::vector<std::int64_t>{5}));
    startRendering();
    delegate()->adViewDidFailLoadWithError(slot->adView(), platform::Error("x", 1));
    EXPECT_EQ(owner->failures, (std::vector<std::int64_t>{5, 2}));
}

TEST_F(GADBannerAdViewDelegateTest, TheOpenerGateAndAGoneSlot) {
    startRendering();
    finishPage();
    auto opener = delegate()->opener();
    // Protected and untouched: nothing opens and nothing is counted.
    opener->setAutoClickProtected(true);
    opener->setAdView(slot->adView());
    opener->openApp(*Url::parse("https://land.test/"));
    // Other schemes wait for their screens.
    opener->setAutoClickProtected(false);
    opener->openApp(*Url::parse("tel:123"));
    scope.runUntilIdle();
    EXPECT_TRUE(opened().empty());
    EXPECT_EQ(owner->clicks, 0);
    slot->adView()->setTouched(true);
    opener->setAutoClickProtected(true);
    opener->openApp(*Url::parse("https://land.test/"));
    scope.runUntilIdle();
    EXPECT_EQ(opened().size(), 1u);
    EXPECT_EQ(owner->clicks, 1);

    // Once the slot has let go of its view, nothing reaches it from the page.
    auto kept = delegate();
    slot->invalidate();
    EXPECT_FALSE(kept->slot());
    EXPECT_FALSE(kept->opener()->slot());
    EXPECT_FALSE(kept->isClick(NavigationType::LinkClicked));
}

TEST_F(GADBannerAdViewDelegateTest, PageMessagesReachTheSlotsHandlersInOrder) {
    const auto& handlers = delegate()->gmsgHandlers();
    ASSERT_EQ(handlers.size(), 10u);
    auto opener = std::dynamic_pointer_cast<GADOpenerGMSGHandler>(handlers[0]);
    ASSERT_TRUE(opener);
    EXPECT_EQ(opener->opener(), delegate()->opener());
    EXPECT_TRUE(std::dynamic_pointer_cast<GADDefaultGMSGHandler>(handlers[1]));
    EXPECT_TRUE(std::dynamic_pointer_cast<GADMRAIDGMSGHandler>(handlers[2]));
    EXPECT_TRUE(std::dynamic_pointer_cast<GADVideoPlayerGMSGHandler>(handlers[3]));
    EXPECT_TRUE(std::dynamic_pointer_cast<GADPrecacheGMSGHandler>(handlers[4]));
    EXPECT_TRUE(std::dynamic_pointer_cast<GADCSIGMSGHandler>(handlers[5]));
    EXPECT_TRUE(std::dynamic_pointer_cast<GADAppEventGMSGHandler>(handlers[6]));
    EXPECT_TRUE(std::dynamic_pointer_cast<GADAdAppGMSGHandler>(handlers[7]));
    EXPECT_TRUE(std::dynamic_pointer_cast<GADSwipeToViewControllerGMSGHandler>(handlers[8]));
    auto delay = std::dynamic_pointer_cast<GADDelayPageLoadGMSGHandler>(handlers[9]);
    ASSERT_TRUE(delay);
    EXPECT_EQ(delay->delegate(), delegate());

    // The page holds its loaded signal back by message, and lets it go the same way.
    startRendering();
    const auto message = [&](const std::string& path) {
        delegate()->handleGMSGURL(*Url::parse("gmsg://movuroute/" + path), slot->adView());
    };
    message("delayPageLoaded?start=1");
    message("appEvent?name=ready");
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return owner->appEvents.size() == 1; }));
    scope.runUntilIdle();
    EXPECT_EQ(delay->delayCount(), 1);
    finishPage();
    EXPECT_EQ(slot->state(), State::Rendering);
    message("delayPageLoaded?stop=1");
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return slot->state() == State::ValidAd; }));
    EXPECT_EQ(owner->finished, 1);
    EXPECT_EQ(owner->appEvents, (std::vector<std::string>{"ready"}));
}

}  // namespace
}  // namespace ads
