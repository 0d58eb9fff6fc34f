// The swipe on a banner as an app has one: the program's banner, slot and page handlers, an ad
// that carries its swipe configuration and a refresh period, and a user's finger on the banner.

#include <gtest/gtest.h>

#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADBannerSlotAdapter.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/GADSlotSwipe.h"
#include "ads/slot/tests/GADSlotTestPeer.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "platform/services/StoreProductSheet.h"
#include "platform/storage/Json.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/ui/Button.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

namespace ui = platform::ui;
using platform::Value;

class GADSlotSwipeBannerTest : public ::testing::Test {
  protected:
    GADSlotSwipeBannerTest() {
        window->setRootViewController(root);
        banner = GADBannerView::create(kGADAdSizeBanner, {0, 550});
        banner->setRootViewController(root);
        root->view()->addSubview(banner);
        GADSlotTestPeer(slot()).setStateObserver([this](GADSlotState, GADSlotState to) {
            if (to == GADSlotState::RequestingAdURL) ++requests;
        });
    }

    std::shared_ptr<GADSlot> slot() const {
        return std::dynamic_pointer_cast<GADBannerSlotAdapter>(banner->slot())->slot();
    }
    GADSlotSwipe& swipe() const { return *slot()->swipe(); }
    // The page the ad was last loaded into.
    platform::web::FakeWebPage& page() {
        const auto& pages = views.web().pages();
        for (auto it = pages.rbegin(); it != pages.rend(); ++it)
            if (!(*it)->loads().empty()) return **it;
        return *pages.front();
    }

    // An ad that reloads every 30 s and offers a store sheet from the whole banner; its page
    // loads and turns the swipe on, bottom to top with the banner dragged along.
    void loadSwipeAd() {
        Value::Dictionary ad{
            {"ad_html", Value("<p>ad</p>")},
            {"ad_base_url", Value("https://ads.test/")},
            {"refresh_rate", Value(30)},
            {"swipe_to_viewcontroller", *platform::Json::parse(R"({"app_store_product_id": 12345,
                "swipeable_rectangles": [{"x": 0, "y": 0, "width": 320, "height": 50}],
                "swipe_animation_transition_duration": 0.5})")}};
        auto request = GADRequest::request();
        request->registerAdNetworkExtras(
            GADExtras::create(Value::Dictionary{{"_ad", Value(std::move(ad))}}));
        banner->loadRequest(request);
        ASSERT_TRUE(platform::testing::runMainLoopUntil(
            [&] { return slot()->state() == GADSlotState::Rendering; }));
        page().fireStart();
        page().fireFinish();
        scope.runUntilIdle();
        page().fireNavigation(
            "gmsg://movuroute/"
            "enableSwipeToViewController?swipe_direction=bottom_to_top&ad_draggable=1",
            platform::web::NavigationType::Other);
        ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return swipe().isEnabled(); }));
    }

    // A finger that starts on the banner (the pan begins 10 points on, still on it) and
    // flicks up to the middle of the screen.
    void swipeUp() {
        ui::TouchInput finger(window);
        finger.touchDown(1, {160, 575});
        scope.advance(0.05);
        finger.touchMove(1, {160, 562});
        scope.advance(0.05);
        finger.touchMove(1, {160, 300});
        finger.touchUp(1, {160, 300});
    }

    testing::AdsTestScope scope;
    testing::AdViewTestScope views;
    testing::SDKCoreTestScope core;
    std::shared_ptr<ui::Window> window = ui::Window::create({0, 0, 320, 600});
    std::shared_ptr<ui::ViewController> root = ui::ViewController::create();
    std::shared_ptr<GADBannerView> banner;
    int requests = 0;
};

// The sheet is an SDK screen: the banner's refresh waits while it is up, and once "Done" has
// closed it nothing keeps the slot beyond its banner.
TEST_F(GADSlotSwipeBannerTest, TheRefreshWaitsForTheSheetAndDoneLetsTheSlotGo) {
    loadSwipeAd();
    ASSERT_EQ(slot()->state(), GADSlotState::ValidAd);
    ASSERT_TRUE(swipe().isEnabled());
    ASSERT_EQ(requests, 1);
    swipeUp();
    auto sheet = std::dynamic_pointer_cast<platform::services::StoreProductSheet>(
        root->presentedViewController());
    ASSERT_TRUE(sheet);

    // 35 s with the sheet up, past the 30 s period: no request, the sheet stays.
    for (int second = 0; second < 35; ++second) scope.advance(1);
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(root->presentedViewController(), sheet);
    EXPECT_EQ(swipe().storeSheet(), sheet);

    sheet->rightButton()->tap();
    scope.advance(1);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_FALSE(swipe().holdsSlot());
    // The period starts again once the sheet has gone.
    scope.advance(28);
    EXPECT_EQ(requests, 1);
    scope.advance(2);
    EXPECT_EQ(requests, 2);

    // The owner lets the banner go: the slot goes with it.
    std::weak_ptr<GADSlot> weak = slot();
    banner->removeFromSuperview();
    banner.reset();
    scope.runUntilIdle();
    EXPECT_TRUE(weak.expired());
}

// A load the app asks for while the sheet is up takes the sheet down and lets the slot go.
TEST_F(GADSlotSwipeBannerTest, ANewAdClosesTheSheetAndTheSlotGoesWithItsBanner) {
    loadSwipeAd();
    swipeUp();
    ASSERT_TRUE(root->presentedViewController());
    scope.advance(1);
    loadSwipeAd();
    scope.advance(1);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_FALSE(swipe().holdsSlot());
    std::weak_ptr<GADSlot> weak = slot();
    banner->removeFromSuperview();
    banner.reset();
    scope.runUntilIdle();
    EXPECT_TRUE(weak.expired());
}

}  // namespace
}  // namespace ads
