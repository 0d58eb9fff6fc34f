// The public interstitial on real WebKit against our loopback ad server, as the app uses it:
// loaded, presented over a plain app screen, closed with its close button; tapped on the
// advertiser's link. Leaves <build>/screenshots/interstitial_presented.png (and the pictures
// before and after the tap) for a person to look at. Needs a display: scripts/test runs these
// under xvfb-run.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ads/foundation/GADRequest.h"
#include "ads/fullscreen/GADOverlayProxy.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/RecordingInterstitialDelegate.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/DesktopRecorder.h"
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

using Log = std::vector<std::string>;
using platform::testing::ScreenshotCamera;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

using RecordingDelegate = testing::RecordingInterstitialDelegate;

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
        // Ads open only what is on screen, in an active application, as the game is.
        platform::ui::Application::shared().becomeActive();
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

    // Presented, on screen and painted: the page has heard "onshow" and its colour is drawn.
    std::shared_ptr<GADAdView> presentAndWaitUntilPainted() {
        interstitial->presentFromRootViewController(app);
        scope.advance(1);
        if (!waitFor([&] { return sawEvent("onshow"); })) return nullptr;
        auto adView = interstitial->slot()->adView();
        if (!adView || !waitFor([&] {
                const auto& frame = adView->webView()->paintedFrame();
                return !frame.empty() && frame.pixel(160, 400) == 0xc04020ffu;
            })) {
            return nullptr;
        }
        return adView;
    }
    // Photographed headless into <build>/screenshots.
    platform::gfx::Image shoot(const std::string& name) {
        std::string error;
        auto shot = camera.shoot(*window, name, &error);
        EXPECT_TRUE(error.empty()) << error;
        return shot;
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::string cameraError;
    ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots", &cameraError};
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> app = platform::ui::ViewController::create();
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::shared_ptr<GADInterstitial> interstitial;
};

TEST_F(GADInterstitialWebKitTest, PresentedOverTheAppAndClosedByItsButton) {
    load();
    // Loaded is not seen: the server has no impression yet.
    EXPECT_EQ(ads.log().count(RequestKind::Impression), 0u);

    ASSERT_TRUE(presentAndWaitUntilPainted());
    auto screen = app->presentedViewController();
    ASSERT_TRUE(screen);
    EXPECT_EQ(delegate->log, (Log{"received", "willPresent"}));
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::Impression, 1));

    // Photographed headless: the ad fills the window, our close button sits top-left.
    ASSERT_TRUE(camera.isReady()) << cameraError;
    const auto shot = shoot("interstitial_presented.png");
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

TEST_F(GADInterstitialWebKitTest, OneTapOnTheAdvertisersLinkIsOneClick) {
    ads::testing::DesktopRecorder desktop;
    load();
    auto adView = presentAndWaitUntilPainted();
    ASSERT_TRUE(adView);

    // The link's box on the page, which fills the window.
    const std::string box = adView->stringByEvaluatingJavaScriptFromString(
        "(function () { var r = document.getElementById('visit').getBoundingClientRect();"
        " return [r.left, r.top, r.right, r.bottom].map(Math.round).join(' '); })()");
    double left = 0, top = 0, right = 0, bottom = 0;
    ASSERT_EQ(std::sscanf(box.c_str(), "%lf %lf %lf %lf", &left, &top, &right, &bottom), 4) << box;
    ASSERT_LT(left, right);
    ASSERT_LT(top, bottom);
    const platform::Point link{(left + right) / 2, (top + bottom) / 2};

    const auto pageBefore = adView->webView()->url();
    const auto recordedBefore = adView->URL();
    ASSERT_TRUE(camera.isReady()) << cameraError;
    const auto before = shoot("interstitial_before_click.png");

    tap(link);
    ASSERT_TRUE(waitFor([&] { return !desktop.opened().empty(); }));
    ASSERT_TRUE(ads.waitOnMainLoop(RequestKind::ClickTracking, 1));
    // A round trip through the page: whatever the tap set off has been asked and answered.
    EXPECT_EQ(adView->webView()->stringByEvaluatingJavaScriptFromString("location.href", 10),
              pageBefore ? pageBefore->absoluteString() : "");
    scope.runUntilIdle();

    // One click: counted, pinged once per click URL, the click URL handed to the desktop
    // once with the click signal the ad asked for; the ad's page never went anywhere.
    const auto opened = desktop.opened();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find("/aclk/ticket/"), std::string::npos) << opened[0];
    EXPECT_NE(opened[0].find("ms="), std::string::npos) << opened[0];
    EXPECT_EQ(ads.log().count(RequestKind::ClickTracking), 1u);
    EXPECT_EQ(ads.log().count(RequestKind::Click), 0u);
    EXPECT_EQ(ads.log().count(RequestKind::Landing), 0u);
    EXPECT_FALSE(adView->webView()->isLoading());
    EXPECT_EQ(adView->webView()->url(), pageBefore);
    EXPECT_EQ(adView->URL(), recordedBefore);

    // The creative stays as it was, outside the link the tap may have highlighted.
    const auto after = shoot("interstitial_after_click.png");
    ASSERT_EQ(after.width(), before.width());
    ASSERT_EQ(after.height(), before.height());
    const int scale = ScreenshotCamera::kScale;
    const double margin = 4;
    int changed = 0;
    for (int y = 0; y < before.height(); ++y) {
        for (int x = 0; x < before.width(); ++x) {
            const double xPt = double(x) / scale, yPt = double(y) / scale;
            if (xPt >= left - margin && xPt <= right + margin && yPt >= top - margin &&
                yPt <= bottom + margin)
                continue;
            if (std::memcmp(before.pixel(x, y), after.pixel(x, y), 4) != 0) ++changed;
        }
    }
    EXPECT_EQ(changed, 0);

    // Its own close link still answers.
    auto screen = app->presentedViewController();
    ASSERT_TRUE(screen);
    adView->executeJavaScriptAsynchronouslyFromString("document.getElementById('close').click();");
    ASSERT_TRUE(waitFor([&] {
        scope.advance(0.05);
        return app->presentedViewController() == nullptr && delegate->log.size() == 4;
    }));
    EXPECT_EQ(delegate->log, (Log{"received", "willPresent", "willDismiss", "didDismiss"}));
}

}  // namespace
}  // namespace ads
