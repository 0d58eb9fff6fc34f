#include "platform/ui/FrameLoop.h"

#include <algorithm>

#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/Window.h"

namespace platform::ui {

FrameLoop::FrameLoop(Window& window, Compositor& compositor, std::function<void()> draw,
                     double periodSeconds)
    : window_(window),
      compositor_(compositor),
      draw_(std::move(draw)),
      period_(periodSeconds),
      nextFrame_(Clock::monotonic()) {}

bool FrameLoop::frameWanted() const {
    return input_ || compositor_.needsFrame(window_);
}

bool FrameLoop::turn(double longestSleep) {
    double now = Clock::monotonic();
    const double wait =
        frameWanted() ? std::max(0.0, nextFrame_ - now) : std::max(0.0, longestSleep);
    MainLoop::main().runOnce(wait);
    if (!frameWanted()) return false;
    now = Clock::monotonic();
    if (now < nextFrame_) return false;
    // After a still spell the pace starts again from now, not from the last frame.
    nextFrame_ = std::max(nextFrame_ + period_, now);
    draw();
    return true;
}

void FrameLoop::draw() {
    if (draw_) draw_();
    input_ = false;
    ++frames_;
}

}  // namespace platform::ui
