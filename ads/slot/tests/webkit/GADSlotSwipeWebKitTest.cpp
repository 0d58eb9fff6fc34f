// A swipe banner on real WebKit against our loopback ad server: the ad's answer carries its
// swipe configuration, its page turns the swipe on, and a finger drags the store sheet up from
// the banner. Halfway the sheet is half in and the banner's picture pushed up; letting go the
// sheet's way finishes, and the page hears it; "Done" and a swipe given up leave no picture of
// the banner in the window. Leaves <build>/screenshots/swipe_banner_dragged_halfway.png. Needs a
// display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADBannerSlotAdapter.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/GADSlotSwipe.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::testing::ScreenshotCamera;
using platform::ui::GestureState;
using tools::adserver::AdScenario;

constexpr const char* kUnit = "ca-movu-banner";

// Red, with the swipe turned on once the page has loaded; every event the page hears is kept.
constexpr const char* kPage = R"(<!DOCTYPE html>
<html><head><style>
  html, body { margin: 0; height: 100%; background: rgb(255, 0, 0); }
</style><script>
  window.events = [];
  function RADE_ReceiveMessage(name, params) { window.events.push(name); }
  window.addEventListener('load', function () {
    var frame = document.createElement('iframe');
    frame.style.display = 'none';
    frame.src = 'gmsg://movuroute/enableSwipeToViewController?' +
                'swipe_direction=bottom_to_top&ad_draggable=1';
    document.documentElement.appendChild(frame);
  });
</script></head><body></body></html>)";

constexpr const char* kConfiguration =
    R"({"app_store_product_id": 12345, "swipeable_rectangles": [{"x": 0, "y": 0, "width": 320,)"
    R"( "height": 50}], "swipe_event_creative_metadata": {"creative": "c1"},)"
    R"( "swipe_animation_transition_duration": 0.5})";

class GADSlotSwipeWebKitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        window->setRootViewController(controller);
        controller->view()->setBackgroundColor(platform::Color::fromRGBA8(0, 0, 255));
    }
    void TearDown() override {
        if (banner) banner->removeFromSuperview();
        banner.reset();
        scope.runUntilIdle();
    }
    GADSlot* slot() const {
        auto adapter = std::dynamic_pointer_cast<GADBannerSlotAdapter>(banner->slot());
        return adapter ? adapter->slot().get() : nullptr;
    }
    std::string events() {
        return banner->adView()->stringByEvaluatingJavaScriptFromString("window.events.join(',')");
    }
    bool heard(const char* event) { return events().find(event) != std::string::npos; }
    // The pictures of the banner the swipe made, wherever they are in the window.
    int pictures() const {
        std::function<int(const platform::ui::View&)> count = [&](const platform::ui::View& v) {
            auto* image = dynamic_cast<const platform::ui::ImageView*>(&v);
            int found = image && image->image() && image->image()->name() == "swipe-snapshot";
            for (const auto& s : v.subviews()) found += count(*s);
            return found;
        };
        return count(*window);
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> controller =
        platform::ui::ViewController::create();
    std::shared_ptr<GADBannerView> banner;
};

TEST_F(GADSlotSwipeWebKitTest, ABannerDraggedHalfwayShowsHalfTheSheetAndThePageHearsTheFinish) {
    ads.server().setScenario(kUnit, AdScenario::banner().withHtml(kPage).withHeader(
                                        "x-rade-swipe-to-view-controller", kConfiguration));
    banner = GADBannerView::create(kGADAdSizeBanner, {0, 430});
    ASSERT_NE(banner, nullptr);
    banner->setAdUnitID(kUnit);
    banner->setRootViewController(controller);
    controller->view()->addSubview(banner);
    banner->loadRequest(GADRequest::request());
    ASSERT_NE(slot(), nullptr);
    auto swipe = slot()->swipe();
    // Shown, painted red (a slow machine may paint the page before its style), and the page
    // has turned the swipe on.
    ASSERT_TRUE(ads.waitOnMainLoopUntil(
        [&] {
            auto adView = banner->adView();
            if (!adView || adView->isHidden()) return false;
            const auto& painted = adView->webView()->paintedFrame();
            if (painted.empty() ||
                painted.pixel(painted.width / 2, painted.height / 2) != 0xff0000ffu)
                return false;
            return swipe->isEnabled();
        },
        20))
        << "enabled " << swipe->isEnabled() << ", events " << events();

    // The banner's picture is drawn in the program's GL context, which the camera's stands for.
    std::string cameraError;
    ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots", &cameraError};
    ASSERT_TRUE(camera.isReady()) << cameraError;
    camera.shoot(*window, "swipe_banner_before.png", nullptr);
    swipe->handlePanGesture(GestureState::Began, {160, 455}, 0);
    ASSERT_TRUE(swipe->storeSheet());
    // Half of the way from the finger's start to the top.
    swipe->handlePanGesture(GestureState::Changed, {160, 227.5}, -5);
    scope.runUntilIdle();
    std::string saveError;
    const auto shot = camera.shoot(*window, "swipe_banner_dragged_halfway.png", &saveError);
    EXPECT_EQ(saveError, "");
    // The app above, the banner's picture pushed from 430 to 190, the sheet from 240 down.
    const std::array<int, 3> blue{0, 0, 255}, red{255, 0, 0};
    auto at = [&](double x, double y) { return ScreenshotCamera::rgb(shot, x, y); };
    EXPECT_EQ(at(160, 100), blue);
    EXPECT_EQ(at(160, 215), red);
    const auto sheetColour = at(160, 400);
    EXPECT_NE(sheetColour, blue);
    EXPECT_NE(sheetColour, red);

    swipe->handlePanGesture(GestureState::Ended, {160, 227.5}, -5);
    ASSERT_TRUE(ads.waitOnMainLoopUntil(
        [&] { return heard("onSwipeableViewControllerPresentationFinished"); }, 20))
        << events();
    auto sheet = swipe->storeSheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(controller->presentedViewController(), sheet);
    EXPECT_EQ(pictures(), 1);

    // "Done": the swipe is replayed backwards, then the sheet and both pictures are gone.
    sheet->rightButton()->tap();
    scope.advance(1);
    ASSERT_TRUE(
        ads.waitOnMainLoopUntil([&] { return heard("onSwipeToViewControllerDismissed"); }, 20))
        << events();
    EXPECT_EQ(controller->presentedViewController(), nullptr);
    EXPECT_EQ(pictures(), 0);
    EXPECT_FALSE(swipe->holdsSlot());

    // A swipe given up halfway takes its picture with it too.
    swipe->handlePanGesture(GestureState::Began, {160, 455}, 0);
    ASSERT_TRUE(swipe->storeSheet());
    swipe->handlePanGesture(GestureState::Changed, {160, 227.5}, -5);
    swipe->handlePanGesture(GestureState::Ended, {160, 227.5}, 5);
    scope.advance(1);
    ASSERT_TRUE(ads.waitOnMainLoopUntil(
        [&] { return heard("onSwipeableViewControllerPresentationCanceled"); }, 20))
        << events();
    EXPECT_EQ(controller->presentedViewController(), nullptr);
    EXPECT_EQ(pictures(), 0);
    EXPECT_EQ(window->subviews(),
              (std::vector<std::shared_ptr<platform::ui::View>>{controller->view()}));
}

}  // namespace
}  // namespace ads
