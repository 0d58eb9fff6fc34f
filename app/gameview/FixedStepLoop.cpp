#include "app/gameview/FixedStepLoop.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace app {

bool FixedStepLoop::setFrameIntervalMs(float ms) {
    if (!(ms > 0) || !std::isfinite(ms)) {
        resetRates();
        return false;
    }
    // Computed in float, as the scenes' intervals are: a 30 ms scene ticks at 33.333332 Hz.
    float ticks = 100.0f / ms;
    maxSkip_ = std::max(1, ticks >= float(INT_MAX) ? INT_MAX : int(ticks));
    float f = 1000.0f / ms;
    int wait = std::max(1, f / 3 >= float(INT_MAX) ? INT_MAX : int(f / 3));
    setTickFrequency(double(f), wait);
    return true;
}

void FixedStepLoop::resetRates() {
    maxSkip_ = kDefaultMaxSkip;
    setTickFrequency(kDefaultTickFrequency, kDefaultPauseWaitTicks);
}

void FixedStepLoop::setTickFrequency(double frequency, int pauseWaitTicks) {
    tickFrequency_ = frequency;
    pauseWaitTicks_ = pauseWaitTicks;
}

FixedStepLoop::Firing FixedStepLoop::fire(double now) {
    Firing firing;
    // The lateness is measured in float: recorded replays and the loop tests pin the tick
    // counts this rounding gives.
    double late = tickFrequency_ * double(float(now - nextTime_));
    int n = late <= 0 ? 0 : late >= double(INT_MAX) ? INT_MAX : int(late);
    firing.late = n;
    if (n > maxSkip_) {
        firing.overMaxSkip = true;
        n = maxSkip_;
        nextTime_ = now;
    }
    nextTime_ += (double(n) + 1) * period();
    firing.ticks = n == INT_MAX ? INT_MAX : n + 1;
    return firing;
}

}  // namespace app
