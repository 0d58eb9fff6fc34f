// A plain banner whose ad unit the loopback ad server answers with a native ad, on real WebKit
// with the rooms the program loads (native ads included): the banner cannot show such an ad,
// so its load fails with the reason and the banner draws nothing. Leaves
// <build>/screenshots/banner_native_answer.png for a person to look at. Needs a display:
// scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADRequest.h"
#include "ads/mediation/tests/HeardPublicAds.h"
#include "ads/slot/GADBannerView.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/testing/TestScreenshot.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using platform::testing::ScreenshotCamera;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

TEST(GADBannerNativeAnswerWebKitTest, ANativeAnswerFailsTheBannersLoadAndDrawsNothing) {
    MOVU_SKIP_WITHOUT_DISPLAY();
    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    ASSERT_TRUE(ads.server().isRunning());
    platform::ui::Application::shared().becomeActive();
    constexpr const char* kUnit = "ca-movu-banner";
    ads.server().setScenario(kUnit, AdScenario::native());

    auto window = platform::ui::Window::create({0, 0, 320, 480});
    window->setBackgroundColor(platform::Color::whiteColor());
    auto controller = platform::ui::ViewController::create();
    auto delegate = std::make_shared<ads::testing::HeardPublicAds>();
    auto banner = GADBannerView::create(kGADAdSizeBanner, {0, 430});
    ASSERT_TRUE(banner);
    banner->setAdUnitID(kUnit);
    banner->setRootViewController(controller);
    banner->setDelegate(delegate);
    window->addSubview(banner);
    banner->loadRequest(GADRequest::request());

    // Told once, of the failure (code 10, incompatible ad type), never of an ad.
    ASSERT_TRUE(ads.waitOnMainLoopUntil([&] { return !delegate->log.empty(); }, 20));
    EXPECT_EQ(ads.log().count(RequestKind::AdRequest), 1u);
    EXPECT_EQ(delegate->log, (std::vector<std::string>{"fail:10"}));

    // Photographed once the main loop is idle: the banner's place shows the window's white,
    // no text of the ad's JSON.
    scope.runUntilIdle();
    const auto shot = platform::testing::shootTestWindow(*window, "banner_native_answer.png");
    ASSERT_FALSE(shot.empty());
    int marked = 0;
    for (double y = 430.5; y < 480; y += 1)
        for (double x = 0.5; x < 320; x += 1)
            if (ScreenshotCamera::rgb(shot, x, y) != std::array<int, 3>{255, 255, 255}) ++marked;
    EXPECT_EQ(marked, 0);
    EXPECT_EQ(ads.log().count(RequestKind::Impression), 0u);

    banner->removeFromSuperview();
    banner.reset();
    scope.runUntilIdle();
}

}  // namespace
}  // namespace ads
