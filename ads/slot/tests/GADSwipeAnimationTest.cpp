#include "ads/slot/GADSwipeAnimation.h"

#include <gtest/gtest.h>

#include "ads/slot/tests/SwipePictures.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

namespace ui = platform::ui;
using platform::Rect;
using ui::GestureState;
using Lines = std::vector<std::string>;

struct Heard : GADPercentDrivenUserInteractionAnimationControllerDelegate {
    Lines lines;
    void animationControllerDidFinishAnimationTransition(
        GADPercentDrivenUserInteractionAnimationController&) override {
        lines.push_back("finish");
    }
    void animationControllerDidCancelAnimationTransition(
        GADPercentDrivenUserInteractionAnimationController&) override {
        lines.push_back("cancel");
    }
};

// The animator as the store sheet's transition: the sheet presented over a 320 x 600 window
// whose screen holds a banner at y = 500.
class GADSwipeAnimationTest : public ::testing::Test {
  protected:
    GADSwipeAnimationTest() {
        window->setRootViewController(root);
        root->view()->addSubview(banner);
        animation->makeSnapshot = testing::taggedSwipePictures();
        controller->setDelegate(heard);
        sheet->setModalPresentationStyle(ui::ModalPresentationStyle::OverFullScreen);
        sheet->setTransitioningDelegate(controller);
    }

    std::vector<std::shared_ptr<ui::View>> pictures() const {
        return testing::swipePicturesIn(window);
    }
    bool present() { return root->presentViewController(sheet, true); }

    platform::MainLoopTestScope loop;
    std::shared_ptr<ui::Window> window = ui::Window::create({0, 0, 320, 600});
    std::shared_ptr<ui::ViewController> root = ui::ViewController::create();
    std::shared_ptr<ui::ViewController> sheet = ui::ViewController::create();
    std::shared_ptr<ui::View> banner = ui::View::create({0, 500, 320, 50});
    std::shared_ptr<GADViewControllerFullScreenSwipeAnimation> animation =
        std::make_shared<GADViewControllerFullScreenSwipeAnimation>();
    std::shared_ptr<GADPercentDrivenUserInteractionAnimationController> controller =
        std::make_shared<GADPercentDrivenUserInteractionAnimationController>(animation);
    std::shared_ptr<Heard> heard = std::make_shared<Heard>();
};

TEST_F(GADSwipeAnimationTest, ProgressFollowsTheFingerInEitherDirection) {
    animation->startY = 300;
    animation->direction = GADSwipeDirection::TopToBottom;
    EXPECT_DOUBLE_EQ(controller->progress(450, 600), 0.5);
    EXPECT_DOUBLE_EQ(controller->progress(100, 600), 0.0);  // clamped
    EXPECT_DOUBLE_EQ(controller->progress(900, 600), 1.0);
    for (auto other : {GADSwipeDirection::BottomToTop, GADSwipeDirection::None}) {
        animation->direction = other;  // "left" reads as none and follows bottom to top
        EXPECT_DOUBLE_EQ(controller->progress(150, 600), 0.5);
    }
    // Zero denominators.
    animation->startY = 0;
    EXPECT_DOUBLE_EQ(controller->progress(150, 600), 0.0);
    animation->direction = GADSwipeDirection::TopToBottom;
    animation->startY = 600;
    EXPECT_DOUBLE_EQ(controller->progress(650, 600), 0.0);
}

TEST_F(GADSwipeAnimationTest, APresentationPushesTheBannerAndItsDismissalReplaysItBackwards) {
    animation->direction = GADSwipeDirection::TopToBottom;
    animation->draggableView = banner;
    animation->startY = 300;
    animation->duration = 1.0;
    ASSERT_TRUE(present());
    EXPECT_TRUE(animation->presenting);
    EXPECT_TRUE(controller->isInteractive());
    // The sheet's bottom edge touches the banner's top; the banner's picture leaves at the
    // bottom. Both move in the transition's container, the sheet on top.
    auto container = sheet->view()->superview();
    ASSERT_NE(container, window);
    auto presented = pictures();
    ASSERT_EQ(presented.size(), 1u);
    EXPECT_EQ(container->subviews(),
              (std::vector<std::shared_ptr<ui::View>>{presented[0], sheet->view()}));
    EXPECT_EQ(sheet->view()->frame(), (Rect{0, -100, 320, 600}));
    EXPECT_EQ(presented[0]->frame(), (Rect{0, 500, 320, 50}));
    EXPECT_TRUE(animation->draggableViewShownOnPresentation);

    controller->handlePanGesture(GestureState::Began, 300, 0, 600);
    EXPECT_TRUE(heard->lines.empty());  // a start is no cancellation
    controller->handlePanGesture(GestureState::Changed, 450, 10, 600);
    EXPECT_EQ(sheet->view()->frame(), (Rect{0, -50, 320, 600}));
    EXPECT_EQ(presented[0]->frame(), (Rect{0, 550, 320, 50}));
    controller->handlePanGesture(GestureState::Ended, 450, 20, 600);
    EXPECT_EQ(heard->lines, (Lines{"finish"}));
    EXPECT_EQ(sheet->view()->frame(), (Rect{0, 0, 320, 600}));
    EXPECT_EQ(presented[0]->frame(), (Rect{0, 600, 320, 50}));
    loop.advance(0.51);
    EXPECT_EQ(root->presentedViewController(), sheet);

    // The platform's animated dismissal asks the sheet's delegate: the sheet goes back where
    // it came from and a fresh picture of the banner comes back to the banner's place, over
    // the animation's duration, before the container leaves with both pictures.
    ASSERT_TRUE(root->dismissViewController(true));
    EXPECT_FALSE(animation->presenting);
    EXPECT_TRUE(controller->isAnimatingBottomToTop());
    EXPECT_EQ(sheet->view()->frame(), (Rect{0, -100, 320, 600}));
    auto both = pictures();
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[1]->frame(), (Rect{0, 500, 320, 50}));
    loop.advance(0.99);
    EXPECT_EQ(root->presentedViewController(), sheet);
    loop.advance(0.02);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_TRUE(pictures().empty());
    EXPECT_EQ(window->subviews(), (std::vector<std::shared_ptr<ui::View>>{root->view()}));
}

TEST_F(GADSwipeAnimationTest, LettingGoTheOtherWayOrStillCancelsAndUndoesThePresentation) {
    animation->direction = GADSwipeDirection::TopToBottom;
    animation->startY = 300;
    for (double speed : {-5.0, 0.0}) {
        heard->lines.clear();
        ASSERT_TRUE(present());
        // No draggable view: the sheet's bottom edge starts at the finger.
        EXPECT_EQ(sheet->view()->frame(), (Rect{0, -300, 320, 600}));
        controller->handlePanGesture(GestureState::Changed, 450, 1, 600);
        controller->handlePanGesture(GestureState::Ended, 450, speed, 600);
        EXPECT_EQ(heard->lines, (Lines{"cancel"}));
        EXPECT_EQ(sheet->view()->frame(), (Rect{0, -300, 320, 600}));
        loop.advance(1);
        EXPECT_EQ(root->presentedViewController(), nullptr);
        EXPECT_EQ(window->subviews(), (std::vector<std::shared_ptr<ui::View>>{root->view()}));
    }
    // Bottom to top finishes going up; a failure after the end changes nothing but is heard.
    animation->direction = GADSwipeDirection::BottomToTop;
    heard->lines.clear();
    ASSERT_TRUE(present());
    EXPECT_EQ(sheet->view()->frame(), (Rect{0, 300, 320, 600}));
    controller->handlePanGesture(GestureState::Ended, 150, -3, 600);
    controller->handlePanGesture(GestureState::Failed, 150, -3, 600);
    EXPECT_EQ(heard->lines, (Lines{"finish", "cancel"}));
    loop.advance(1);
    EXPECT_EQ(root->presentedViewController(), sheet);
}

TEST_F(GADSwipeAnimationTest, AScaledDraggableViewGetsNoPictureAndTheSheetStartsAtTheFinger) {
    banner->setTransform(platform::AffineTransform::scale(0.5, 0.5));
    animation->direction = GADSwipeDirection::BottomToTop;
    animation->draggableView = banner;
    animation->startY = 400;
    ASSERT_TRUE(present());
    EXPECT_TRUE(pictures().empty());
    EXPECT_EQ(sheet->view()->frame(), (Rect{0, 400, 320, 600}));
    EXPECT_FALSE(animation->draggableViewShownOnPresentation);
    EXPECT_EQ(animation->draggableViewEndFrameAfterAnimation, Rect{});
}

}  // namespace
}  // namespace ads
