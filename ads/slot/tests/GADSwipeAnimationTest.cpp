#include "ads/slot/GADSwipeAnimation.h"

#include <gtest/gtest.h>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/View.h"

namespace ads {
namespace {

namespace ui = platform::ui;
using platform::Rect;
using ui::GestureState;

struct Heard : GADPercentDrivenUserInteractionAnimationControllerDelegate {
    std::vector<std::string> lines;
    void animationControllerDidFinishAnimationTransition(
        GADPercentDrivenUserInteractionAnimationController&) override {
        lines.push_back("finish");
    }
    void animationControllerDidCancelAnimationTransition(
        GADPercentDrivenUserInteractionAnimationController&) override {
        lines.push_back("cancel");
    }
};

class GADSwipeAnimationTest : public ::testing::Test {
  protected:
    GADSwipeAnimationTest() {
        container->addSubview(banner);
        animation->makeSnapshot = [](ui::View& v) { return ui::View::create(v.bounds()); };
        controller.setDelegate(heard);
    }

    platform::MainLoopTestScope loop;
    std::shared_ptr<ui::View> container = ui::View::create({0, 0, 320, 600});
    std::shared_ptr<ui::View> banner = ui::View::create({0, 500, 320, 50});
    std::shared_ptr<ui::View> sheet = ui::View::create({0, 0, 320, 600});
    std::shared_ptr<GADViewControllerFullScreenSwipeAnimation> animation =
        std::make_shared<GADViewControllerFullScreenSwipeAnimation>();
    GADPercentDrivenUserInteractionAnimationController controller{animation};
    std::shared_ptr<Heard> heard = std::make_shared<Heard>();
};

TEST_F(GADSwipeAnimationTest, ProgressFollowsTheFingerInEitherDirection) {
    animation->startY = 300;
    animation->direction = GADSwipeDirection::TopToBottom;
    EXPECT_DOUBLE_EQ(controller.progress(450, 600), 0.5);
    EXPECT_DOUBLE_EQ(controller.progress(100, 600), 0.0);  // clamped
    EXPECT_DOUBLE_EQ(controller.progress(900, 600), 1.0);
    for (auto other : {GADSwipeDirection::BottomToTop, GADSwipeDirection::None}) {
        animation->direction = other;  // "left" reads as none and follows bottom to top
        EXPECT_DOUBLE_EQ(controller.progress(150, 600), 0.5);
    }
    // Zero denominators.
    animation->startY = 0;
    EXPECT_DOUBLE_EQ(controller.progress(150, 600), 0.0);
    animation->direction = GADSwipeDirection::TopToBottom;
    animation->startY = 600;
    EXPECT_DOUBLE_EQ(controller.progress(650, 600), 0.0);
}

TEST_F(GADSwipeAnimationTest, APresentationPushesTheBannerAndFinishesByTheFingersWay) {
    animation->direction = GADSwipeDirection::TopToBottom;
    animation->draggableView = banner;
    animation->startY = 300;
    animation->transitionDuration = 1.0;
    animation->willAnimatePresentation();
    std::vector<bool> completed;
    auto context = animation->animateTransition(*container, sheet, controller,
                                                [&](bool f) { completed.push_back(f); });
    // The sheet's bottom edge touches the banner's top; the banner leaves at the bottom.
    EXPECT_EQ(context.animatedViewStartFrame, (Rect{0, -100, 320, 600}));
    EXPECT_EQ(context.draggableViewStartFrame, (Rect{0, 500, 320, 50}));
    EXPECT_EQ(context.draggableViewEndFrame, (Rect{0, 600, 320, 50}));
    ASSERT_TRUE(context.draggableViewSnapshot);
    EXPECT_EQ(container->subviews().back(), sheet);
    EXPECT_TRUE(animation->draggableViewShownOnPresentation);

    controller.handlePanGesture(GestureState::Began, 300, 0, 600);
    EXPECT_TRUE(heard->lines.empty());  // a start is no cancellation
    controller.handlePanGesture(GestureState::Changed, 450, 10, 600);
    EXPECT_EQ(sheet->frame(), (Rect{0, -50, 320, 600}));
    EXPECT_EQ(context.draggableViewSnapshot->frame(), (Rect{0, 550, 320, 50}));
    controller.handlePanGesture(GestureState::Ended, 450, 20, 600);
    EXPECT_EQ(heard->lines, (std::vector<std::string>{"finish"}));
    EXPECT_EQ(sheet->frame(), (Rect{0, 0, 320, 600}));
    loop.advance(0.51);
    EXPECT_EQ(completed, (std::vector<bool>{true}));

    // Dismissal replays it backwards.
    animation->willAnimateDismissal();
    auto back = animation->animateTransition(*container, sheet, controller, [](bool) {});
    EXPECT_EQ(back.animatedViewStartFrame, (Rect{0, 0, 320, 600}));
    EXPECT_EQ(back.animatedViewEndFrame, (Rect{0, -100, 320, 600}));
    EXPECT_EQ(back.draggableViewStartFrame, (Rect{0, 600, 320, 50}));
    EXPECT_EQ(back.draggableViewEndFrame, (Rect{0, 500, 320, 50}));
    EXPECT_TRUE(controller.isAnimatingBottomToTop());
}

TEST_F(GADSwipeAnimationTest, LettingGoTheOtherWayOrStillCancels) {
    animation->direction = GADSwipeDirection::TopToBottom;
    animation->startY = 300;
    animation->willAnimatePresentation();
    for (double speed : {-5.0, 0.0}) {
        heard->lines.clear();
        auto context = animation->animateTransition(*container, sheet, controller, [](bool) {});
        // No draggable view: the sheet's bottom edge starts at the finger.
        EXPECT_EQ(context.animatedViewStartFrame, (Rect{0, -300, 320, 600}));
        controller.handlePanGesture(GestureState::Changed, 450, 1, 600);
        controller.handlePanGesture(GestureState::Ended, 450, speed, 600);
        EXPECT_EQ(heard->lines, (std::vector<std::string>{"cancel"}));
        EXPECT_EQ(sheet->frame(), (Rect{0, -300, 320, 600}));
    }
    // Bottom to top finishes going up.
    animation->direction = GADSwipeDirection::BottomToTop;
    heard->lines.clear();
    auto context = animation->animateTransition(*container, sheet, controller, [](bool) {});
    EXPECT_EQ(context.animatedViewStartFrame, (Rect{0, 300, 320, 600}));
    controller.handlePanGesture(GestureState::Ended, 150, -3, 600);
    controller.handlePanGesture(GestureState::Failed, 150, -3, 600);
    EXPECT_EQ(heard->lines, (std::vector<std::string>{"finish", "cancel"}));
}

TEST_F(GADSwipeAnimationTest, AScaledDraggableViewGetsNoSnapshotAndTheSheetStartsAtTheFinger) {
    banner->setTransform(platform::AffineTransform::scale(0.5, 0.5));
    animation->direction = GADSwipeDirection::BottomToTop;
    animation->draggableView = banner;
    animation->startY = 400;
    animation->willAnimatePresentation();
    auto context = animation->animateTransition(*container, sheet, controller, [](bool) {});
    EXPECT_FALSE(context.draggableViewSnapshot);
    EXPECT_EQ(context.draggableViewStartFrame, Rect{});
    EXPECT_EQ(context.animatedViewStartFrame, (Rect{0, 400, 320, 600}));
    EXPECT_FALSE(animation->draggableViewShownOnPresentation);
    EXPECT_EQ(animation->draggableViewEndFrameAfterAnimation, Rect{});
}

}  // namespace
}  // namespace ads
