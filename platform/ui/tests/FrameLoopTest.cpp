// A window is drawn only when it would show something new: the frame loop sleeps on a still
// screen without a single GL call, and comes round to draw for input, a timer that changes a
// view, each step of an animation, and a web page's new frame arriving through another
// library's loop.

#include "platform/ui/FrameLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <limits>
#include <thread>
#include <utility>
#include <vector>

#include "platform/gfx/GLES1.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/RecordingGL.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/Label.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/PixelContentView.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/Window.h"

using namespace platform::ui;

namespace {

constexpr double kPeriod = 1.0 / 60.0;

class FrameLoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window->addSubview(label);
        window->addSubview(button);
        mainLoop().setSleeper({[this](double s) {
                                   sleeps.push_back(s);
                                   if (during) std::exchange(during, {})();
                               },
                               [this] { ++interrupts; }});
        // The first frame is always drawn; the changes it drew had woken the loop, which
        // comes round once more before it sleeps.
        ASSERT_TRUE(frames.turn(10));
        ASSERT_FALSE(frames.turn(10));
        recorder.clear();
        sleeps.clear();
    }
    void TearDown() override {
        mainLoop().setSleeper({});
        mainLoop().setPump({});
    }
    platform::MainLoop& mainLoop() { return loop.loop(); }

    // Turns `n` times a frame period apart; answers how many turns drew.
    int turns(int n) {
        int drawn = 0;
        for (int i = 0; i < n; ++i) {
            loop.advance(kPeriod);
            drawn += frames.turn(10) ? 1 : 0;
        }
        return drawn;
    }
    // Frames drawn in the next second.
    int framesInASecond() { return turns(60); }

    platform::MainLoopTestScope loop;
    platform::gfx::RecordingGL recorder;
    platform::gfx::ScopedGL scoped{recorder};
    std::shared_ptr<Window> window = Window::create({0, 0, 320, 480});
    std::shared_ptr<Label> label = Label::create({10, 10, 200, 30}, "Game over");
    std::shared_ptr<Button> button = Button::create(ButtonType::RoundedRect, {10, 100, 100, 40});
    Compositor compositor;
    FrameLoop frames{*window, compositor, [this] { compositor.drawFrame(*window, 320, 480); },
                     kPeriod};
    std::vector<double> sleeps;
    std::atomic<int> interrupts{0};
    std::function<void()> during;
};

}  // namespace

TEST_F(FrameLoopTest, AStillScreenSleepsAndDrawsNothing) {
    const auto slept = mainLoop().sleepCount();
    EXPECT_EQ(framesInASecond(), 0);
    EXPECT_EQ(recorder.calls().size(), 0u) << "not one GL call while nothing changes";
    EXPECT_EQ(mainLoop().sleepCount(), slept + 60);
    // Each sleep was as long as the loop allowed, not a frame period.
    for (double s : sleeps) EXPECT_EQ(s, 10);

    // Setting what is already there changes nothing.
    label->setText("Game over");
    label->setHidden(false);
    button->setTitle("Retry", 0);
    EXPECT_EQ(turns(2), 1) << "a new title is drawn once";
    EXPECT_EQ(framesInASecond(), 0);
}

TEST_F(FrameLoopTest, InputAndTheViewsItChangesAreDrawn) {
    frames.noteInput();  // a window uncovered: no view changed, the picture is needed all the same
    EXPECT_EQ(turns(3), 1);

    // A finger on the button highlights it: one frame; lifted, one more.
    TouchInput touches(window);
    touches.touchDown(1, {20, 110});
    EXPECT_EQ(turns(3), 1);
    EXPECT_TRUE(button->isHighlighted());
    touches.touchUp(1, {20, 110});
    EXPECT_EQ(turns(3), 1);
    EXPECT_EQ(framesInASecond(), 0);
}

TEST_F(FrameLoopTest, ATimerThatChangesAViewWakesTheLoopToDrawIt) {
    mainLoop().postAfter(0.5, [this] { label->setText("3"); });
    mainLoop().postAfter(0.75, [] {});  // a timer that changes nothing draws nothing
    EXPECT_EQ(turns(29), 0);
    EXPECT_EQ(turns(2), 1);
    EXPECT_EQ(turns(30), 0);
    EXPECT_GT(recorder.calls().size(), 0u);
}

TEST_F(FrameLoopTest, AnimationsDrawEveryFrameWhileTheyRunAndOnceMoreAtTheEnd) {
    auto spinner = ActivityIndicator::create();
    window->addSubview(spinner);
    spinner->startAnimating();
    EXPECT_EQ(framesInASecond(), 60);
    spinner->stopAnimating();
    EXPECT_EQ(turns(3), 1);

    // A spinner nobody sees does not keep the window drawing.
    spinner->startAnimating();
    spinner->setAlpha(0);
    EXPECT_EQ(turns(3), 1);
    EXPECT_EQ(framesInASecond(), 0);

    // A cross-fade draws each of its steps, then the end, then rests.
    window->setBackgroundColor({0, 0, 1, 1});
    window->beginTransition(AnimationTransition::CurlDown, 0.24);
    EXPECT_EQ(turns(15), 15) << "14 steps of the fade and its end";
    EXPECT_EQ(framesInASecond(), 0);
}

TEST_F(FrameLoopTest, ChangesFromAnotherLoopOrThreadEndTheSleep) {
    auto page = PixelContentView::create({0, 200, 100, 100});
    window->addSubview(page);
    turns(2);

    // A web page's frame arrives while another library's loop is pumped: the loop that was
    // about to sleep draws it instead.
    bool frameReady = false;
    mainLoop().setPump([&](double) {
        if (std::exchange(frameReady, false)) {
            auto image = platform::gfx::Image::blank(4, 4);
            image.setPixel(0, 0, 255, 0, 0, 255);
            page->setContent(std::move(image));
        }
        return std::numeric_limits<double>::infinity();
    });
    const auto slept = sleeps.size();
    frameReady = true;
    loop.advance(kPeriod);
    EXPECT_TRUE(frames.turn(10));
    EXPECT_EQ(sleeps.size(), slept) << "the change was seen before the loop went to sleep";
    EXPECT_EQ(recorder.count("glTexSubImage2D"), 1);
    EXPECT_EQ(framesInASecond(), 0);

    // Another thread marking the display changed interrupts a sleep under way.
    during = [] { std::thread([] { markDisplayChanged(); }).join(); };
    const int interruptsBefore = interrupts;
    loop.advance(kPeriod);
    EXPECT_TRUE(frames.turn(10));
    EXPECT_EQ(interrupts, interruptsBefore + 1);
}
