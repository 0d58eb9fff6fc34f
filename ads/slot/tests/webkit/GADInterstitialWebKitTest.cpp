// The public interstitial on real WebKit against our loopback ad server, as the app uses it:
// loaded, presented over a plain app screen, closed with its close button. Leaves
// <build>/screenshots/interstitial_presented.png for a person to look at. Needs a display:
// scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "ads/foundation/GADRequest.h"
#include "ads/fullscreen/GADOverlayProxy.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using Log = std::vector<std::string>;
using platform::testing::ScreenshotCamera;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

class RecordingDelegate : public GADInterstitialDelegate {
  public:
    void interstitialDidReceiveAd(GADInterstitial&) override { log.push_back("received"); }
    void interstitialDidFailToReceiveAdWithError(GADInterstitial&,
                                                 const platform::Error& error) override {
        log.push_back("failed " + std::to_string(error.code));
    }
    void interstitialWillPresentScreen(GADInterstitial&) override { log.push_back("willPresent"); }
    void interstitialWillDismissScreen(GADInterstitial&) override { log.push_back("willDismiss"); }
    void interstitialDidDismissScreen(GADInterstitial&) override { log.push_back("didDismiss"); }
    Log log;
};

class GADInterstitialWebKitTest : public ::testing::Test {
  protected:
    static constexpr const char* kUnit = "ca-movu-ist";
    static constexpr std::array<int, 3> kAdColor{0xc0, 0x40, 0x20};

    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        // The app's own screen: plain white.
        window->setBackgroundColor(platform::Color::whiteColor());
        window->setRootViewController(app);
        app->view()->setBackgroundColor(platform::Color::whiteColor());
        window->makeKeyWindow();
    }
    void TearDown() override {
        interstitial.reset();
        scope.runUntilIdle();
    }

    bool waitFor(const std::function<bool()>& condition) {
        return ads.waitOnMainLoopUntil(condition, 20);
    }
    // Loaded and ready: the delegate heard of the ad.
    void load() {
        ads.server().setScenario(kUnit, AdScenario::interstitial().withColor("#c04020"));
        interstitial = GADInterstitial::create(kUnit);
        interstitial->setDelegate(delegate);
        interstitial->loadRequest(GADRequest::request());
        ASSERT_TRUE(waitFor([&] { return !delegate->log.empty(); }));
        ASSERT_EQ(delegate->log, (Log{"received"}));
        ASSERT_TRUE(interstitial->isReady());
    }
    void tap(platform::Point point) {
        platform::ui::TouchInput input{window};
        input.touchDown(1, point);
        input.touchUp(1, point);
    }
    static bool near(std::array<int, 3> seen, std::array<int, 3> expected) {
        for (int i = 0; i < 3; ++i) {
            if (std::abs(seen[i] - expected[i]) > 3) return false;
        }
        return true;
    }
    bool sawEvent(const std::string& name) {
        for (const auto& event : ads.log().of(RequestKind::CreativeEvent))
            if (event.param("name") == name) return true;
        return false;
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> app = platform::ui::ViewController::create();
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::shared_ptr<GADInterstitial> interstitial;
};

TEST_F(GADInterstitialWebKitTest, PresentedOverTheAppAndClosedByItsButton) {
    load();
    // Loaded is not seen: the server has no impression yet.
    EXPECT_EQ(ads.log().count(RequestKind::Impression), 0u);

    interstitial->presentFromRootViewController(app);
    scope.advance(1);
    auto screen = app->presentedViewController();
    ASSERT_TRUE(screen);
    EXPECT_EQ(delegate->log, (Log{"received", "willPresent"}));
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Impression, 1));
    ASSERT_TRUE(waitFor([&] { return sawEvent("onshow"); }));

    // Photographed headless: the ad fills the window, our close button sits top-left.
    auto adView = interstitial->slot()->adView();
    ASSERT_TRUE(adView);
    ASSERT_TRUE(waitFor([&] {
        const auto& frame = adView->webView()->paintedFrame();
        return !frame.empty() && frame.pixel(160, 400) == 0xc04020ffu;
    }));
    std::string cameraError;
    ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots", &cameraError};
    ASSERT_TRUE(camera.isReady()) << cameraError;
    std::string saveError;
    const auto shot = camera.shoot(*window, "interstitial_presented.png", &saveError);
    EXPECT_TRUE(saveError.empty()) << saveError;
    EXPECT_TRUE(near(ScreenshotCamera::rgb(shot, 160, 400), kAdColor));
    EXPECT_TRUE(near(ScreenshotCamera::rgb(shot, 310, 470), kAdColor));
    EXPECT_FALSE(near(ScreenshotCamera::rgb(shot, 16, 16), kAdColor));

    // A platform screen over the ad through its proxy: still one will-present.
    auto sheet = platform::ui::ViewController::create();
    auto proxy = GADOverlayProxy::create(sheet);
    proxy->setSlot(interstitial->slot());
    ASSERT_TRUE(proxy->presentFromViewController(screen, {}));
    scope.advance(1);
    EXPECT_EQ(screen->presentedViewController(), sheet);
    proxy->relinquishScreenWithCompletion({});
    scope.advance(1);
    EXPECT_EQ(screen->presentedViewController(), nullptr);
    EXPECT_EQ(delegate->log, (Log{"received", "willPresent"}));

    tap({16, 16});
    scope.advance(1);
    EXPECT_EQ(delegate->log, (Log{"received", "willPresent", "willDismiss", "didDismiss"}));
    EXPECT_EQ(app->presentedViewController(), nullptr);
    EXPECT_EQ(interstitial->slot()->state(), GADSlotState::Invalidated);
    EXPECT_FALSE(interstitial->isReady());
    ASSERT_TRUE(waitFor([&] { return sawEvent("onhide"); }));
    EXPECT_EQ(ads.log().count(RequestKind::Impression), 1u);
    EXPECT_EQ(ads.log().count(RequestKind::AdRequest), 1u);
}

}  // namespace
}  // namespace ads
