#include <gtest/gtest.h>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/PercentDrivenInteractiveTransition.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform::ui {
namespace {

class InteractiveTransitionTest : public ::testing::Test {
  protected:
    platform::MainLoopTestScope loop;
    std::shared_ptr<View> sheet = View::create({0, 0, 320, 480});
    std::shared_ptr<View> banner = View::create({0, 430, 320, 50});
    PercentDrivenInteractiveTransition transition;
    std::vector<bool> completions;
};

TEST_F(InteractiveTransitionTest, ViewsFollowTheFractionAndFinishOnTheClock) {
    transition.startInteractiveTransition(1.0, [&](bool f) { completions.push_back(f); });
    transition.addTrack(sheet, {0, -480, 320, 480}, {0, 0, 320, 480});
    transition.addTrack(banner, {0, 430, 320, 50}, {0, 480, 320, 50});
    EXPECT_EQ(sheet->frame(), (Rect{0, -480, 320, 480}));
    transition.updateInteractiveTransition(0.5);
    EXPECT_EQ(sheet->frame(), (Rect{0, -240, 320, 480}));
    EXPECT_EQ(banner->frame(), (Rect{0, 455, 320, 50}));
    // Out of range and not a number.
    transition.updateInteractiveTransition(7);
    EXPECT_EQ(transition.percentComplete(), 1.0);
    transition.updateInteractiveTransition(std::nan(""));
    transition.updateInteractiveTransition(0.75);
    EXPECT_EQ(sheet->frame(), (Rect{0, -120, 320, 480}));

    // Finishing jumps to the end and completes after the quarter still left.
    transition.finishInteractiveTransition();
    EXPECT_EQ(sheet->frame(), (Rect{0, 0, 320, 480}));
    EXPECT_FALSE(transition.isInteractive());
    loop.advance(0.24);
    EXPECT_TRUE(completions.empty());
    loop.advance(0.02);
    EXPECT_EQ(completions, (std::vector<bool>{true}));
    // Done is done.
    transition.updateInteractiveTransition(0.1);
    transition.cancelInteractiveTransition();
    loop.advance(2);
    EXPECT_EQ(sheet->frame(), (Rect{0, 0, 320, 480}));
    EXPECT_EQ(completions.size(), 1u);
}

TEST_F(InteractiveTransitionTest, ACancelGoesBackAndCompletesAfterThePartDone) {
    transition.startInteractiveTransition(2.0, [&](bool f) { completions.push_back(f); });
    transition.addTrack(sheet, {0, 480, 320, 480}, {0, 0, 320, 480});
    transition.updateInteractiveTransition(0.25);
    EXPECT_EQ(sheet->frame(), (Rect{0, 360, 320, 480}));
    transition.cancelInteractiveTransition();
    EXPECT_TRUE(transition.wasCancelled());
    EXPECT_EQ(sheet->frame(), (Rect{0, 480, 320, 480}));
    loop.advance(0.49);
    EXPECT_TRUE(completions.empty());
    loop.advance(0.02);
    EXPECT_EQ(completions, (std::vector<bool>{false}));

    // A cancel at the very start still completes on a later turn, not inside the call.
    transition.startInteractiveTransition(1.0, [&](bool f) { completions.push_back(f); });
    transition.cancelInteractiveTransition();
    EXPECT_EQ(completions.size(), 1u);
    loop.runUntilIdle();
    loop.advance(0.001);
    EXPECT_EQ(completions, (std::vector<bool>{false, false}));
}

TEST_F(InteractiveTransitionTest, ARemovedTargetRunsNoMoreEvenWithinOneStateChange) {
    auto window = Window::create({0, 0, 320, 480});
    auto area = View::create({0, 0, 320, 480});
    window->addSubview(area);
    std::vector<std::string> heard;
    GestureRecognizer::TargetId second = 0;
    auto pan = PanGestureRecognizer::create([&](GestureRecognizer&) { heard.push_back("first"); });
    pan->addTarget([&](GestureRecognizer& g) {
        heard.push_back("remover");
        g.removeTarget(second);
    });
    second = pan->addTarget([&](GestureRecognizer&) { heard.push_back("second"); });
    pan->removeTarget(9999);
    area->addGestureRecognizer(pan);
    TouchInput input(window);
    input.touchDown(1, {10, 10});
    loop.advance(0.1);
    input.touchMove(1, {10, 60});
    input.touchUp(1, {10, 60});
    EXPECT_EQ(heard, (std::vector<std::string>{"first", "remover", "first", "remover"}));
}

}  // namespace
}  // namespace platform::ui
