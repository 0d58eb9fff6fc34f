#pragma once

// The game's fixed-step timing. The game core's scenes advance in ticks of one fixed length
// (the scene's frame interval); a firing of the view's timer runs every tick that has come due
// since the last one, so a late firing catches up instead of slowing the game down, but at
// most maxSkip beyond the first, so a slow machine does not spiral into ever longer firings:
// past that the schedule starts again from now.
//
// Pure: it reads no clock and owns no timer. The caller hands it the time of each firing
// (seconds on the program's monotonic clock), so tests drive it with plain numbers.

namespace app {

class FixedStepLoop {
  public:
    // The rates before any scene sets its own.
    static constexpr double kDefaultTickFrequency = 30.0;
    static constexpr int kDefaultPauseWaitTicks = 10;
    static constexpr int kDefaultMaxSkip = 0;

    // What one firing runs.
    struct Firing {
        int ticks = 1;             // at least one
        int late = 0;              // whole periods behind the schedule before this firing
        bool overMaxSkip = false;  // the loop stopped catching up and restarted from now
    };

    // Rates from a scene's frame interval in milliseconds: tick frequency 1000 / ms, catch-up
    // 100 / ms ticks and a pause countdown of a third of a second, each at least 1. An
    // interval that gives no rate (0 or less, NaN) leaves the default rates and answers false.
    bool setFrameIntervalMs(float ms);
    void resetRates();
    void setTickFrequency(double frequency, int pauseWaitTicks);

    double tickFrequency() const { return tickFrequency_; }
    double period() const { return 1.0 / tickFrequency_; }
    int pauseWaitTicks() const { return pauseWaitTicks_; }
    int maxSkip() const { return maxSkip_; }
    void setMaxSkip(int n) { maxSkip_ = n; }

    // The next tick is due at `now` (a start or a resume).
    void restart(double now) { nextTime_ = now; }
    // Starts counting ticks from zero (a new game).
    void resetTickCount() { tickCount_ = 0; }

    // The firing at `now`: how many ticks to run; the schedule moves on past them.
    Firing fire(double now);
    // One tick was run.
    void countTick() { ++tickCount_; }

    int tickCount() const { return tickCount_; }
    // When the next tick is due.
    double nextTime() const { return nextTime_; }

  private:
    double tickFrequency_ = kDefaultTickFrequency;
    int pauseWaitTicks_ = kDefaultPauseWaitTicks;
    int maxSkip_ = kDefaultMaxSkip;
    double nextTime_ = 0;
    int tickCount_ = 0;
};

}  // namespace app
