#pragma once

// A clock that moves only when a test moves it. Monotonic and wall time advance together.

#include <mutex>

#include "platform/runtime/Clock.h"

namespace platform {

class ManualClock : public ClockSource {
  public:
    // Monotonic time starts well above zero (code may use 0 for "never"); the wall time
    // starts at a fixed date so that test output does not depend on the day it runs.
    static constexpr double kStartMonotonic = 1000.0;
    static constexpr double kStartWall = 1700000000.0;  // 2023-11-14 22:13:20 UTC

    ManualClock(double monotonicStart = kStartMonotonic, double wallStart = kStartWall);

    double monotonic() const override;
    double wallSeconds() const override;
    bool isManual() const override { return true; }

    // Moves both times forward; a negative step is ignored (monotonic time never goes back).
    // This does not run the main loop: MainLoop::advance() does both.
    void advance(double seconds);
    // Moves monotonic time to the given point if it lies ahead (wall time follows).
    void advanceTo(double monotonicTime);
    // Sets wall time alone, as when the user changes the system clock.
    void setWallSeconds(double wall);

    // Installs a fresh manual clock for the lifetime of the scope, then restores the previous
    // source.
    class Scope {
      public:
        Scope();
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        ManualClock& clock() { return *clock_; }
        ManualClock* operator->() { return clock_.get(); }

      private:
        std::shared_ptr<ManualClock> clock_;
        std::shared_ptr<ClockSource> previous_;
    };

  private:
    mutable std::mutex mutex_;
    double monotonic_;
    double wall_;
};

}  // namespace platform
