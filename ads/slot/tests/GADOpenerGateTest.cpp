// What a page can open, played on the scripted web engine with the program's own slots: an
// ad that is not on screen (preloaded, or closing) opens nothing, whatever the server's
// auto-click protection; one touch of a shown ad lets one opening through, however many
// "open" messages and window.open calls the page makes; without protection a shown ad's
// first opening may come without a touch, the next may not.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/fullscreen/GADViewController.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/DesktopRecorder.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/base/PercentEncoding.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/Application.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Value;
using platform::web::FakeWebPage;
using platform::web::NavigationType;

class Owner : public GADSlotDelegate, public GADSlotAdLoadDelegate {
  public:
    void slotDidReceiveAdClick(GADSlot&) override { ++clicks; }
    void slotFinishedLoadingAdContent(GADSlot&) override {}
    void slotDidFailToLoadAdContentWithError(GADSlot&, const GADRequestError&) override {}
    int clicks = 0;
};

class Clicks : public GADInterstitialDelegate, public GADInterstitialAdClickDelegate {
  public:
    void interstitialDidReceiveAdClick(GADInterstitial&) override { ++clicks; }
    int clicks = 0;
};

class GADOpenerGateTest : public ::testing::Test {
  protected:
    GADOpenerGateTest() {
        platform::ui::Application::shared().becomeActive();
        window->setRootViewController(root);
        window->makeKeyWindow();
        server.text("/clk", "ok");
        server.text("/marker", "ok");
    }
    ~GADOpenerGateTest() override {
        interstitial.reset();
        scope.runUntilIdle();
    }

    std::shared_ptr<GADRequest> request() {
        auto request = GADRequest::request();
        request->registerAdNetworkExtras(GADExtras::create(Value::Dictionary{
            {"_ad",
             Value::dictionary({{"ad_html", Value("<p>ad</p>")},
                                {"ad_base_url", Value("https://ads.test/ad")},
                                {"click_urls", Value::array({Value(server.url("/clk"))})}})}}));
        return request;
    }
    // The ad's page (the SDK core's page may come later, with the first refusal it hears of).
    FakeWebPage& page() { return *adPage; }
    void finishPage() {
        adPage = views.web().pages().back();
        page().setCurrentUrl("https://ads.test/ad");
        page().fireStart();
        page().fireFinish();
        scope.runUntilIdle();
    }

    // An interstitial loaded and waiting to be shown.
    void preloadInterstitial(bool protection) {
        interstitial = GADInterstitial::create("unit");
        interstitial->setDelegate(interstitialClicks);
        GADSlotTestPeer(*interstitial->slot()).opener()->setAutoClickProtected(protection);
        interstitial->loadRequest(request());
        ASSERT_TRUE(platform::testing::runMainLoopUntil(
            [&] { return interstitial->slot()->state() == GADSlotState::Rendering; }));
        finishPage();
        ASSERT_TRUE(interstitial->isReady());
    }
    // A banner's slot in the window, its ad loaded and shown.
    void showBanner(bool protection) {
        banner->setAdType(GADAdType::bannerAdTypeForSize(kGADAdSizeBanner), false);
        banner->setDelegates({.slot = owner, .adLoad = owner});
        GADSlotTestPeer(*banner).opener()->setAutoClickProtected(protection);
        root->view()->addSubview(banner->adView());
        banner->loadRequest(request());
        ASSERT_TRUE(platform::testing::runMainLoopUntil(
            [&] { return banner->state() == GADSlotState::Rendering; }));
        finishPage();
        ASSERT_EQ(banner->state(), GADSlotState::ValidAd);
        // Past the moment a tap right after a load is taken for a mistake.
        scope.advance(1);
    }

    // The page sends messages and calls window.open, each count times, and everything it set
    // off has been handled: a last message's ping marks the end of its queue.
    void pageAsks(int openMessages, int windowOpens) {
        for (int i = 0; i < openMessages; ++i) {
            page().fireNavigation(
                "gmsg://movuroute/open?u=https%3A%2F%2Fland.test%2Fm" + std::to_string(i),
                NavigationType::Other);
        }
        for (int i = 0; i < windowOpens; ++i) {
            page().fireNavigation("https://land.test/w" + std::to_string(i), NavigationType::Other);
        }
        const std::size_t marks = server.requestCount("/marker") + 1;
        // Each mark its own address: a ping of an address seen before may be answered from
        // the cache.
        static int serial = 0;
        const std::string mark = server.url("/marker") + "?n=" + std::to_string(++serial);
        page().fireNavigation("gmsg://movuroute/click?u=" + platform::percentEncodeComponent(mark),
                              NavigationType::Other);
        ASSERT_TRUE(platform::testing::runMainLoopUntil(
            [&] { return server.requestCount("/marker") == marks; }));
        scope.runUntilIdle();
    }
    // The player's finger on the middle of the ad view.
    void touch(GADAdView& view) {
        const auto frame = view.convertRectToView(view.bounds(), nullptr);
        platform::ui::TouchInput input{window};
        input.touchDown(1, {frame.midX(), frame.midY()});
        input.touchUp(1, {frame.midX(), frame.midY()});
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    ads::testing::SDKCoreTestScope core;
    platform::testing::TestHttpServer server;
    ads::testing::DesktopRecorder desktop;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> root = platform::ui::ViewController::create();
    std::shared_ptr<Owner> owner = std::make_shared<Owner>();
    std::shared_ptr<GADSlot> banner = GADSlot::create({0, 430, 320, 50});
    std::shared_ptr<Clicks> interstitialClicks = std::make_shared<Clicks>();
    std::shared_ptr<GADInterstitial> interstitial;
    std::shared_ptr<FakeWebPage> adPage;
};

TEST_F(GADOpenerGateTest, AnAdNotOnScreenOpensNothing) {
    for (const bool protection : {false, true}) {
        SCOPED_TRACE(protection ? "protected" : "unprotected");
        // Preloaded at launch: its page asks at load, before it is ever shown.
        ads::testing::DesktopRecorder desktop;
        interstitialClicks->clicks = 0;
        preloadInterstitial(protection);
        pageAsks(50, 10);
        EXPECT_TRUE(desktop.opened().empty());
        EXPECT_EQ(interstitialClicks->clicks, 0);
        RecordProperty(protection ? "preloaded_openings_protected" : "preloaded_openings",
                       static_cast<int>(desktop.opened().size()));
        RecordProperty(protection ? "preloaded_clicks_protected" : "preloaded_clicks",
                       interstitialClicks->clicks);

        // Shown and closed by the player: while it leaves, it is not on screen either.
        interstitial->presentFromRootViewController(root);
        scope.advance(1);
        auto screen = root->presentedViewController();
        ASSERT_NE(screen, nullptr);
        std::static_pointer_cast<GADViewController>(screen)->relinquishScreenWithCompletion({});
        pageAsks(10, 10);
        EXPECT_TRUE(desktop.opened().empty());
        EXPECT_EQ(interstitialClicks->clicks, 0);
        scope.advance(1);
        ASSERT_EQ(root->presentedViewController(), nullptr);
    }
}

TEST_F(GADOpenerGateTest, OneTouchOfAShownAdIsOneOpeningAndOneClick) {
    showBanner(true);
    // Untouched and protected: nothing.
    pageAsks(10, 10);
    EXPECT_TRUE(desktop.opened().empty());
    EXPECT_EQ(owner->clicks, 0);

    // Whichever of its asks comes first opens.
    touch(*banner->adView());
    pageAsks(10, 10);
    EXPECT_EQ(desktop.opened().size(), 1u);
    EXPECT_EQ(owner->clicks, 1);
    // A second touch is a second opening, and no more.
    const std::size_t before = desktop.opened().size();
    const int clicksBefore = owner->clicks;
    touch(*banner->adView());
    pageAsks(0, 1000);
    RecordProperty("openings_for_1000_window_open_after_one_touch",
                   static_cast<int>(desktop.opened().size() - before));
    RecordProperty("clicks_for_1000_window_open_after_one_touch", owner->clicks - clicksBefore);
    EXPECT_EQ(desktop.opened().size(), 2u);
    EXPECT_EQ(owner->clicks, 2);
    // The click pings went out once per opening.
    EXPECT_TRUE(platform::testing::runMainLoopUntil(
        [&] { return server.requestCount("/clk") >= static_cast<std::size_t>(owner->clicks); }));
    pageAsks(0, 0);
    EXPECT_EQ(server.requestCount("/clk"), 2u);
}

TEST_F(GADOpenerGateTest, AShownInterstitialKeepsTheServersProtectionAndOneOpeningPerTouch) {
    preloadInterstitial(true);
    interstitial->presentFromRootViewController(root);
    scope.advance(1);
    pageAsks(10, 10);
    EXPECT_TRUE(desktop.opened().empty());
    EXPECT_EQ(interstitialClicks->clicks, 0);

    touch(*interstitial->slot()->adView());
    pageAsks(10, 10);
    EXPECT_EQ(desktop.opened().size(), 1u);
    EXPECT_EQ(interstitialClicks->clicks, 1);
}

TEST_F(GADOpenerGateTest, WithoutProtectionOnlyTheFirstOpeningMayComeWithoutATouch) {
    showBanner(false);
    pageAsks(1, 0);
    EXPECT_EQ(desktop.opened(), (std::vector<std::string>{"https://land.test/m0"}));
    pageAsks(1, 1);
    EXPECT_EQ(desktop.opened().size(), 1u);
    EXPECT_EQ(owner->clicks, 1);
    // Every later one needs a touch of its own.
    touch(*banner->adView());
    pageAsks(3, 0);
    EXPECT_EQ(desktop.opened(),
              (std::vector<std::string>{"https://land.test/m0", "https://land.test/m0"}));
    EXPECT_EQ(owner->clicks, 2);
}

}  // namespace
}  // namespace ads
