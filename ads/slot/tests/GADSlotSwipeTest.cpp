#include "ads/slot/GADSlotSwipe.h"

#include <gtest/gtest.h>

#include <regex>

#include "ads/slot/GADSwipeToViewControllerGMSGHandler.h"
#include "ads/slot/tests/SwipePictures.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/FakeFullScreenSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/services/StoreProductSheet.h"
#include "platform/storage/Json.h"
#include "platform/testing/ScreenshotCamera.h"
#include "platform/ui/Button.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

namespace ui = platform::ui;
using platform::Point;
using ui::GestureState;
using Lines = std::vector<std::string>;

const char* kConfiguration = R"({"app_store_product_id": 12345,
    "swipeable_rectangles": [{"x": 0, "y": 0, "width": 320, "height": 50}],
    "swipe_event_creative_metadata": {"creative": "c1"},
    "swipe_animation_transition_duration": 0.5})";

class GADSlotSwipeTest : public ::testing::Test {
  protected:
    GADSlotSwipeTest() {
        window->setRootViewController(root);
        root->view()->addSubview(banner);
        banner->addSubview(adView);
        configurations = make(kConfiguration);
    }

    static std::shared_ptr<GADSwipeToViewControllerConfigurations> make(const char* json) {
        return GADSwipeToViewControllerConfigurations::initWithSwipeConfigurations(
            *platform::Json::parse(json), "8.4");
    }

    // The events the page got since the last call, as "name {json}".
    Lines events() {
        Lines found;
        const auto& all = views.web().pages().at(0)->evaluations();
        static const std::regex pattern(R"(RADE_ReceiveMessage\('(\w+)',? *(.*)\);)");
        for (std::size_t i = seen; i < all.size(); ++i) {
            std::smatch m;
            if (std::regex_match(all[i], m, pattern) && m[1] != "onVideoEvent")
                found.push_back(std::string(m[1]) + (m[2].length() ? " " + std::string(m[2]) : ""));
        }
        seen = all.size();
        return found;
    }
    Lines names() {
        Lines found;
        for (const auto& e : events()) found.push_back(e.substr(0, e.find(' ')));
        return found;
    }

    void enable(const std::string& query) {
        auto url = platform::Url::parse("gmsg://movuroute/enableSwipeToViewController?" + query);
        ASSERT_TRUE(
            handler->handleNotification(GADNotification::createWithNotificationURL(*url), adView));
    }
    void tagPictures() {
        swipe->animationController()->transitionAnimation()->makeSnapshot =
            testing::taggedSwipePictures();
    }
    std::vector<std::shared_ptr<ui::View>> pictures() const {
        return testing::swipePicturesIn(window);
    }
    // The swipe keeps the slot while a sheet is up: from here on only the swipe holds it.
    std::weak_ptr<int> handOverSlot() {
        std::weak_ptr<int> held = slotObject;
        swipe->handlePanGesture(GestureState::Began, {100, 570}, 0);
        slotObject.reset();
        return held;
    }

    testing::AdsTestScope scope;
    testing::AdViewTestScope views;
    std::shared_ptr<ui::Window> window = ui::Window::create({0, 0, 320, 600});
    std::shared_ptr<ui::ViewController> root = ui::ViewController::create();
    std::shared_ptr<ui::View> banner = ui::View::create({0, 550, 320, 50});
    std::shared_ptr<GADAdView> adView = GADAdView::create({0, 0, 320, 50});
    std::shared_ptr<GADSwipeToViewControllerConfigurations> configurations;
    std::shared_ptr<testing::FakeFullScreenSlot> fullScreen = testing::FakeFullScreenSlot::create();
    std::shared_ptr<int> slotObject = std::make_shared<int>(0);
    bool offerRoot = true;
    std::shared_ptr<GADSlotSwipe> swipe = GADSlotSwipe::create(GADSwipeHost{
        [this] { return adView; }, [this] { return configurations; }, [this] { return banner; },
        [this] { return offerRoot ? root : nullptr; }, [this] { return fullScreen; },
        [this] { return std::static_pointer_cast<void>(slotObject); }});
    std::shared_ptr<GADSwipeToViewControllerGMSGHandler> handler =
        GADSwipeToViewControllerGMSGHandler::create(swipe);
    std::size_t seen = 0;
};

TEST_F(GADSlotSwipeTest, TheGeometryIsToldWhenItChangesAtTheDefaultInterval) {
    swipe->adFinishedLoadingContent();
    scope.advance(0.39);
    EXPECT_TRUE(events().empty());
    scope.advance(0.05);
    const Lines first = events();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_NE(first[0].find(R"("creativeFrame":{"height":50.0,"width":320.0,"x":0.0,"y":550.0})"),
              std::string::npos)
        << first[0];
    EXPECT_NE(first[0].find(R"("anySuperViewScrollable":"0")"), std::string::npos);
    scope.advance(2);
    EXPECT_TRUE(events().empty());  // the same geometry again
    banner->setFrame({0, 549, 320, 50});
    scope.advance(0.41);
    EXPECT_EQ(names(), (Lines{"onAdVisible"}));
    // A new ad stops the sampling.
    swipe->willProcessAd();
    banner->setFrame({0, 100, 320, 50});
    scope.advance(2);
    EXPECT_TRUE(events().empty());
}

TEST_F(GADSlotSwipeTest, TheScriptTurnsTheSwipeOnAndOff) {
    enable("swipe_direction=left&ad_draggable=1");
    EXPECT_EQ(configurations->swipeDirection(), GADSwipeDirection::None);
    EXPECT_TRUE(configurations->isAdDraggable());
    ASSERT_EQ(banner->gestureRecognizers().size(), 1u);
    EXPECT_EQ(swipe->animationController()->transitionAnimation()->draggableView.lock(), banner);
    EXPECT_DOUBLE_EQ(swipe->animationController()->transitionAnimation()->duration, 0.5);
    auto url = platform::Url::parse("gmsg://movuroute/disableSwipeToViewController");
    handler->handleNotification(GADNotification::createWithNotificationURL(*url), adView);
    EXPECT_TRUE(banner->gestureRecognizers().empty());
    EXPECT_FALSE(configurations->isAdDraggable());
    enable("swipe_direction=bottom_to_top");
    EXPECT_EQ(configurations->swipeDirection(), GADSwipeDirection::BottomToTop);
    EXPECT_EQ(swipe->animationController()->transitionAnimation()->draggableView.lock(), nullptr);
}

TEST_F(GADSlotSwipeTest, ASwipeThatFinishesAndIsClosedWithDone) {
    enable("swipe_direction=bottom_to_top&ad_draggable=1");
    swipe->handlePanGesture(GestureState::Began, {100, 570}, 0);
    ASSERT_TRUE(swipe->storeSheet());
    EXPECT_TRUE(swipe->holdsSlot());
    EXPECT_EQ(root->presentedViewController(), swipe->storeSheet());
    EXPECT_EQ(fullScreen->events, (Lines{"willPresent"}));
    // The sheet starts below the banner and follows the finger up.
    auto sheetView = swipe->storeSheet()->view();
    EXPECT_EQ(sheetView->frame().origin.y, 600);
    swipe->handlePanGesture(GestureState::Changed, {100, 285}, -5);
    EXPECT_EQ(sheetView->frame().origin.y, 300);
    EXPECT_TRUE(events().empty());
    swipe->handlePanGesture(GestureState::Ended, {100, 285}, -5);
    scope.runUntilIdle();
    EXPECT_EQ(events(),
              (Lines{R"(onSwipeableViewControllerPresentationFinished {"creative":"c1"})"}));
    scope.advance(1);
    // "Done" closes the sheet and lets go of the slot.
    swipe->productViewControllerDidFinish(*swipe->storeSheet());
    scope.advance(1);
    EXPECT_EQ(names(), (Lines{"onSwipeToViewControllerDismissed"}));
    EXPECT_FALSE(swipe->storeSheet());
    EXPECT_FALSE(swipe->holdsSlot());
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(fullScreen->events, (Lines{"willPresent", "willDismiss", "didDismiss"}));
}

TEST_F(GADSlotSwipeTest, HalfwayTheSheetIsHalfInAndTheBannersPictureIsPushedUp) {
    std::string cameraError;
    platform::testing::ScreenshotCamera camera{std::string(MOVU_BINARY_DIR) + "/screenshots",
                                               &cameraError};
    ASSERT_TRUE(camera.isReady()) << cameraError;
    window->setBackgroundColor(platform::Color::fromRGBA8(0, 0, 255));
    root->view()->setBackgroundColor(platform::Color::fromRGBA8(0, 0, 255));
    banner->setBackgroundColor(platform::Color::fromRGBA8(255, 0, 0));
    camera.shoot(*window, "swipe_before.png", nullptr);  // makes the camera's context current
    enable("swipe_direction=bottom_to_top&ad_draggable=1");
    swipe->handlePanGesture(GestureState::Began, {100, 570}, 0);
    ASSERT_TRUE(swipe->storeSheet());
    swipe->handlePanGesture(GestureState::Changed, {100, 285}, -5);
    scope.runUntilIdle();
    std::string saveError;
    auto shot = camera.shoot(*window, "swipe_dragged_halfway.png", &saveError);
    EXPECT_EQ(saveError, "");
    using Camera = platform::testing::ScreenshotCamera;
    // The app above, the banner's picture pushed up to 250..300, the sheet from 300 down. The
    // camera fits the 600-point window into its 480: a window point y is at 0.8 y.
    EXPECT_EQ(Camera::rgb(shot, 160, 100 * 0.8), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(Camera::rgb(shot, 160, 275 * 0.8), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(Camera::rgb(shot, 160, 500 * 0.8), (std::array<int, 3>{255, 255, 255}));
}

TEST_F(GADSlotSwipeTest, ACancelledSwipeTakesTheSheetDown) {
    enable("swipe_direction=top_to_bottom");
    swipe->handlePanGesture(GestureState::Began, {100, 560}, 0);
    ASSERT_TRUE(swipe->storeSheet());
    swipe->handlePanGesture(GestureState::Changed, {100, 580}, 2);
    swipe->handlePanGesture(GestureState::Ended, {100, 580}, -1);
    scope.advance(1);
    EXPECT_EQ(names(), (Lines{"onSwipeableViewControllerPresentationCanceled"}));
    EXPECT_FALSE(swipe->storeSheet());
    EXPECT_FALSE(swipe->holdsSlot());
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(fullScreen->events, (Lines{"willPresent", "willDismiss", "didDismiss"}));
}

// The sheet's view is in the window from the moment the finger starts it, so the sheet has
// appeared, and the app's screen stays under it until the sheet is done with: each change of
// either comes as a pair of callbacks, whether the swipe finishes or is cancelled.
TEST_F(GADSlotSwipeTest, TheSheetAndTheAppAppearAndDisappearInPairs) {
    using Appearance = ui::ViewController::Appearance;
    enable("swipe_direction=bottom_to_top&ad_draggable=1");
    for (bool finish : {true, false}) {
        SCOPED_TRACE(finish);
        swipe->handlePanGesture(GestureState::Began, {100, 570}, 0);
        auto sheet = swipe->storeSheet();
        ASSERT_TRUE(sheet);
        EXPECT_EQ(sheet->appearance(), Appearance::Appeared);
        EXPECT_EQ(root->appearance(), Appearance::Appeared);
        swipe->handlePanGesture(GestureState::Changed, {100, 285}, -5);
        swipe->handlePanGesture(GestureState::Ended, {100, 285}, finish ? -5 : 5);
        scope.advance(1);
        if (finish) {
            EXPECT_EQ(sheet->appearance(), Appearance::Appeared);
            swipe->productViewControllerDidFinish(*sheet);
            scope.advance(1);
        }
        EXPECT_EQ(sheet->appearance(), Appearance::Disappeared);
        EXPECT_EQ(root->appearance(), Appearance::Appeared);
        EXPECT_FALSE(swipe->storeSheet());
    }
}

TEST_F(GADSlotSwipeTest, SwipesThatPresentNothingSayNothing) {
    enable("swipe_direction=top_to_bottom");
    // Outside the rectangles: refused, and the recognizer is armed again by its cancellation.
    auto recognizer = swipe->recognizer();
    swipe->handlePanGesture(GestureState::Began, {100, 100}, 0);
    EXPECT_FALSE(recognizer->isEnabled());
    swipe->handlePanGesture(GestureState::Cancelled, {100, 100}, 0);
    EXPECT_TRUE(recognizer->isEnabled());
    // No root controller, then no product.
    offerRoot = false;
    swipe->handlePanGesture(GestureState::Began, {100, 560}, 0);
    offerRoot = true;
    configurations = make(R"({"swipeable_rectangles": [{"x": 0, "y": 0, "width": 320,
                                                         "height": 50}]})");
    enable("swipe_direction=top_to_bottom");
    swipe->handlePanGesture(GestureState::Began, {100, 560}, 0);
    swipe->handlePanGesture(GestureState::Ended, {100, 590}, 3);
    scope.advance(1);
    EXPECT_TRUE(events().empty());
    EXPECT_FALSE(swipe->holdsSlot());
    EXPECT_FALSE(swipe->storeSheet());
    EXPECT_TRUE(fullScreen->events.empty());
}

TEST_F(GADSlotSwipeTest, ANewAdRemovesTheRecognizerAndTheSheet) {
    enable("swipe_direction=top_to_bottom");
    swipe->handlePanGesture(GestureState::Began, {100, 560}, 0);
    ASSERT_TRUE(swipe->storeSheet());
    swipe->willProcessAd();
    scope.advance(1);
    EXPECT_TRUE(banner->gestureRecognizers().empty());
    EXPECT_FALSE(swipe->storeSheet());
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

// Whatever the swipe laid into the window goes with the sheet's transition, and the slot is let
// go once the sheet has gone, whether the finger gave up or the user closed the sheet.
TEST_F(GADSlotSwipeTest, ADraggableSwipeLeavesNoPictureAndLetsTheSlotGoCancelledOrDone) {
    enable("swipe_direction=bottom_to_top&ad_draggable=1");
    tagPictures();
    for (bool finish : {false, true}) {
        SCOPED_TRACE(finish);
        slotObject = std::make_shared<int>(0);
        auto held = handOverSlot();
        ASSERT_TRUE(swipe->storeSheet());
        ASSERT_EQ(pictures().size(), 1u);
        EXPECT_FALSE(held.expired());
        swipe->handlePanGesture(GestureState::Changed, {100, 285}, -5);
        swipe->handlePanGesture(GestureState::Ended, {100, 285}, finish ? -5 : 5);
        scope.advance(1);
        if (finish) {
            EXPECT_FALSE(held.expired());
            std::static_pointer_cast<platform::services::StoreProductSheet>(
                root->presentedViewController())
                ->rightButton()
                ->tap();
            scope.advance(1);
        }
        EXPECT_TRUE(pictures().empty());
        EXPECT_EQ(window->subviews(), (std::vector<std::shared_ptr<ui::View>>{root->view()}));
        EXPECT_EQ(root->presentedViewController(), nullptr);
        EXPECT_TRUE(held.expired());
    }
}

// "Done" takes the sheet back the way it came, the banner's picture coming back to the banner,
// before the sheet leaves the window.
TEST_F(GADSlotSwipeTest, DoneReplaysThePresentationBackwards) {
    enable("swipe_direction=bottom_to_top&ad_draggable=1");
    tagPictures();
    swipe->handlePanGesture(GestureState::Began, {100, 570}, 0);
    auto sheet = swipe->storeSheet();
    ASSERT_TRUE(sheet);
    swipe->handlePanGesture(GestureState::Changed, {100, 285}, -5);
    swipe->handlePanGesture(GestureState::Ended, {100, 285}, -5);
    scope.advance(1);
    EXPECT_EQ(sheet->view()->frame(), (platform::Rect{0, 0, 320, 600}));
    ASSERT_EQ(pictures().size(), 1u);
    EXPECT_EQ(pictures()[0]->frame(), (platform::Rect{0, -50, 320, 50}));
    events();

    sheet->rightButton()->tap();
    sheet->rightButton()->tap();  // still on screen while it goes: once is enough
    scope.runUntilIdle();
    EXPECT_EQ(names(), (Lines{"onSwipeToViewControllerDismissed"}));
    // The sheet is back below the screen, a fresh picture on the banner; both still in the
    // window until the configured 0.5 s are over.
    EXPECT_EQ(sheet->view()->frame(), (platform::Rect{0, 600, 320, 600}));
    auto back = pictures();
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1]->convertRectToView(back[1]->bounds(), nullptr),
              (platform::Rect{0, 550, 320, 50}));
    scope.advance(0.49);
    EXPECT_EQ(root->presentedViewController(), sheet);
    scope.advance(0.02);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_TRUE(pictures().empty());
    EXPECT_EQ(fullScreen->events, (Lines{"willPresent", "willDismiss", "didDismiss"}));
}

TEST_F(GADSlotSwipeTest, AnotherEnableTurnsTheSwipeTheNewWay) {
    enable("swipe_direction=top_to_bottom&ad_draggable=1");
    enable("swipe_direction=bottom_to_top");
    EXPECT_EQ(banner->gestureRecognizers().size(), 1u);
    const auto& animation = *swipe->animationController()->transitionAnimation();
    EXPECT_EQ(animation.direction, GADSwipeDirection::BottomToTop);
    EXPECT_EQ(animation.draggableView.lock(), nullptr);
    // Without a draggable view the sheet comes up from below with its top edge at the finger.
    swipe->handlePanGesture(GestureState::Began, {100, 570}, 0);
    ASSERT_TRUE(swipe->storeSheet());
    EXPECT_EQ(swipe->storeSheet()->view()->frame(), (platform::Rect{0, 570, 320, 600}));
    swipe->handlePanGesture(GestureState::Changed, {100, 285}, -5);
    EXPECT_EQ(swipe->storeSheet()->view()->frame(), (platform::Rect{0, 285, 320, 600}));
}

// A new ad takes the sheet down whether it is up or still following the finger (the page
// then hears the swipe cancelled), and lets the slot go each time.
TEST_F(GADSlotSwipeTest, ANewAdTakesTheSheetDownAndLetsTheSlotGo) {
    for (bool dragging : {false, true}) {
        SCOPED_TRACE(dragging);
        enable("swipe_direction=bottom_to_top&ad_draggable=1");
        tagPictures();
        slotObject = std::make_shared<int>(0);
        auto held = handOverSlot();
        swipe->handlePanGesture(GestureState::Changed, {100, 285}, -5);
        if (!dragging) {
            swipe->handlePanGesture(GestureState::Ended, {100, 285}, -5);
            scope.advance(1);
        }
        events();
        swipe->willProcessAd();
        scope.runUntilIdle();
        EXPECT_EQ(names(),
                  dragging ? Lines{"onSwipeableViewControllerPresentationCanceled"} : Lines{});
        EXPECT_FALSE(swipe->holdsSlot());
        scope.advance(1);
        EXPECT_EQ(root->presentedViewController(), nullptr);
        EXPECT_TRUE(pictures().empty());
        EXPECT_TRUE(held.expired());
        // Turned on again, the swipe works as before.
        enable("swipe_direction=bottom_to_top&ad_draggable=1");
        EXPECT_EQ(banner->gestureRecognizers().size(), 1u);
        swipe->disableSwipeToViewController();
    }
}

// The app's own code may dismiss the sheet: the next geometry sample notices, so the app hears
// the screen end and the slot is let go all the same.
TEST_F(GADSlotSwipeTest, ASheetTheAppDismissedItselfStillLetsTheSlotGo) {
    swipe->adFinishedLoadingContent();
    enable("swipe_direction=bottom_to_top");
    auto held = handOverSlot();
    swipe->handlePanGesture(GestureState::Ended, {100, 285}, -5);
    scope.advance(1);
    ASSERT_TRUE(root->presentedViewController());
    ASSERT_TRUE(root->dismissViewController(false));
    scope.advance(0.5);
    EXPECT_FALSE(swipe->storeSheet());
    EXPECT_TRUE(held.expired());
    EXPECT_EQ(fullScreen->events, (Lines{"willPresent", "willDismiss", "didDismiss"}));
}

}  // namespace
}  // namespace ads
