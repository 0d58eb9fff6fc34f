// The public banner on real WebKit against our loopback ad server, as the app uses it: a plain
// banner (the program's own slot) at the bottom of the phone's window loads, shows, refreshes
// while shown and takes a tap. Leaves <build>/screenshots/banner_loaded.png for a person to
// look at. Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADBannerSlotAdapter.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/ui/Application.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::testing::ScreenshotCamera;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

class RecordingDelegate : public GADBannerViewDelegate {
  public:
    void adViewDidReceiveAd(GADBannerView&) override { ++received; }
    void adViewDidFailToReceiveAdWithError(GADBannerView&, const platform::Error& error) override {
        failures.push_back(error.code);
    }
    void adViewWillLeaveApplication(GADBannerView&) override { ++left; }
    int received = 0, left = 0;
    std::vector<std::int64_t> failures;
};

class GADBannerViewWebKitTest : public ::testing::Test {
  protected:
    static constexpr const char* kUnit = "ca-movu-banner";
    // The fixture ad's colour, and the window's around it.
    static constexpr std::array<int, 3> kAdColor{0x20, 0x40, 0xc0};
    static constexpr std::array<int, 3> kWindowColor{255, 255, 255};

    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        auto& application = platform::ui::Application::shared();
        application.setDesktopOpener([](const std::vector<std::string>&) { return true; });
        openedBefore = application.openedURLs().size();
        window->setBackgroundColor(platform::Color::whiteColor());
        // As the game's window: key, in an active application, where ads may open.
        window->makeKeyWindow();
        application.becomeActive();
    }
    void TearDown() override {
        if (banner) banner->removeFromSuperview();
        banner.reset();
        scope.runUntilIdle();
        platform::ui::Application::shared().setDesktopOpener({});
    }

    // A 320 x 50 banner with a root view controller at the bottom of the window, loading.
    void loadBanner(const AdScenario& scenario) {
        ads.server().setScenario(kUnit, scenario);
        banner = GADBannerView::create(kGADAdSizeBanner, {0, 430});
        ASSERT_NE(banner, nullptr);
        ASSERT_NE(slot(), nullptr) << "a plain banner runs on the program's own slot";
        banner->setAdUnitID(kUnit);
        banner->setRootViewController(controller);
        banner->setDelegate(delegate);
        window->addSubview(banner);
        banner->loadRequest(GADRequest::request());
    }
    GADSlot* slot() const {
        auto adapter = std::dynamic_pointer_cast<GADBannerSlotAdapter>(banner->slot());
        return adapter ? adapter->slot().get() : nullptr;
    }
    bool waitFor(const std::function<bool()>& condition) {
        return ads.waitOnMainLoopUntil(condition, 20);
    }
    // The load ended (an ad, or a failure); the slot is no longer making a request.
    bool waitForOutcome(std::size_t outcomes) {
        return waitFor([&] {
            return std::size_t(delegate->received) + delegate->failures.size() >= outcomes &&
                   !GADSlotTestPeer(slot()).isMakingRequest();
        });
    }
    bool paintedAdColor() {
        return waitFor([&] {
            const auto& frame = banner->adView()->webView()->paintedFrame();
            return !frame.empty() && frame.pixel(10, 10) == 0x2040c0ffu;
        });
    }
    static bool near(std::array<int, 3> seen, std::array<int, 3> expected) {
        for (int i = 0; i < 3; ++i) {
            if (std::abs(seen[i] - expected[i]) > 3) return false;
        }
        return true;
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> controller =
        platform::ui::ViewController::create();
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::shared_ptr<GADBannerView> banner;
    std::size_t openedBefore = 0;
};

TEST_F(GADBannerViewWebKitTest, ABannerLoadsShowsAndOpensItsClickOnATap) {
    loadBanner(AdScenario::banner().withColor("#2040c0"));
    ASSERT_TRUE(waitForOutcome(1));
    EXPECT_EQ(delegate->received, 1);
    EXPECT_TRUE(delegate->failures.empty());
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Impression, 1));
    EXPECT_EQ(banner->adView()->superview(), banner);
    EXPECT_FALSE(banner->adView()->isHidden());

    // Photographed headless: the ad's colour fills the banner, the window shows around it.
    ASSERT_TRUE(paintedAdColor());
    std::string cameraError;
    ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots", &cameraError};
    ASSERT_TRUE(camera.isReady()) << cameraError;
    std::string saveError;
    const auto shot = camera.shoot(*window, "banner_loaded.png", &saveError);
    EXPECT_TRUE(saveError.empty()) << saveError;
    EXPECT_TRUE(near(ScreenshotCamera::rgb(shot, 10, 440), kAdColor));
    EXPECT_TRUE(near(ScreenshotCamera::rgb(shot, 310, 475), kAdColor));
    EXPECT_TRUE(near(ScreenshotCamera::rgb(shot, 10, 425), kWindowColor));
    EXPECT_TRUE(near(ScreenshotCamera::rgb(shot, 160, 200), kWindowColor));

    // A tap on the ad's link 0.2 s after it loaded: the gesture click URL (with the click
    // signal) opens outside the app, and the click is pinged once.
    scope.advance(0.2);
    platform::ui::TouchInput input{window};
    input.touchDown(1, {160, 455});
    input.touchUp(1, {160, 455});
    ASSERT_TRUE(waitFor(
        [&] { return platform::ui::Application::shared().openedURLs().size() > openedBefore; }));
    const std::string opened = platform::ui::Application::shared().openedURLs().back();
    EXPECT_EQ(opened.rfind(ads.origin() + "/aclk/ticket/", 0), 0u) << opened;
    EXPECT_NE(opened.find("&ms="), std::string::npos) << opened;
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::ClickTracking, 1));
    EXPECT_EQ(delegate->left, 1);
    EXPECT_EQ(ads.log().count(RequestKind::Impression), 1u);
    EXPECT_EQ(ads.log().count(RequestKind::AdRequest), 1u);
}

TEST_F(GADBannerViewWebKitTest, TheNextAdComesAfterTheRefreshRateButNotWhileHidden) {
    loadBanner(AdScenario::banner().withRefreshRate(30));
    ASSERT_TRUE(waitForOutcome(1));
    ASSERT_EQ(delegate->received, 1);
    EXPECT_EQ(slot()->reloadTimer().interval(), 30);

    // Hidden when the period ends: no request, and the timer runs another period.
    banner->setHidden(true);
    scope.advance(30);
    EXPECT_FALSE(GADSlotTestPeer(slot()).isMakingRequest());
    EXPECT_TRUE(slot()->reloadTimer().isScheduled());

    banner->setHidden(false);
    scope.advance(30);
    EXPECT_TRUE(GADSlotTestPeer(slot()).isMakingRequest());
    ASSERT_TRUE(waitForOutcome(2));
    EXPECT_EQ(delegate->received, 2);
    EXPECT_TRUE(banner->hasAutoRefreshed());
    EXPECT_EQ(ads.log().count(RequestKind::AdRequest), 2u);
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Impression, 2));
}

TEST_F(GADBannerViewWebKitTest, NoFillWithARefreshRateRetriesAfterIt) {
    loadBanner(AdScenario::noFill(20));
    ASSERT_TRUE(waitForOutcome(1));
    EXPECT_EQ(delegate->failures, std::vector<std::int64_t>{1});
    EXPECT_EQ(delegate->received, 0);
    EXPECT_EQ(slot()->reloadTimer().interval(), 20);

    scope.advance(19);
    EXPECT_FALSE(GADSlotTestPeer(slot()).isMakingRequest());
    scope.advance(1);
    EXPECT_TRUE(GADSlotTestPeer(slot()).isMakingRequest());
    ASSERT_TRUE(waitForOutcome(2));
    EXPECT_EQ(delegate->failures, (std::vector<std::int64_t>{1, 1}));
    EXPECT_EQ(ads.log().count(RequestKind::AdRequest), 2u);
}

}  // namespace
}  // namespace ads
