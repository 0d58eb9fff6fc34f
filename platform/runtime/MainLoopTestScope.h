#pragma once

// For tests: a manual clock and a fresh main loop claimed by the test's thread for the life of
// the scope. Leftover work and timers are dropped on the way in and on the way out, so one
// test never sees another's.

#include <memory>

#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ManualClock.h"

namespace platform {

class MainLoopTestScope {
  public:
    MainLoopTestScope();
    ~MainLoopTestScope();
    MainLoopTestScope(const MainLoopTestScope&) = delete;
    MainLoopTestScope& operator=(const MainLoopTestScope&) = delete;

    MainLoop& loop() { return MainLoop::main(); }
    ManualClock& clock() { return *clock_; }
    double now() const { return clock_->monotonic(); }
    std::size_t advance(double seconds) { return loop().advance(seconds); }
    std::size_t runUntilIdle() { return loop().runUntilIdle(); }

  private:
    std::shared_ptr<ManualClock> clock_;
    std::shared_ptr<ClockSource> previous_;
};

}  // namespace platform
