#pragma once

// The ads SDK's test surroundings in one scope: a manual clock and a fresh main loop claimed
// by the test's thread, the SDK's millisecond clock starting again at 1, a temporary app home
// with fresh standard user defaults, and a fresh, inactive application object on the default
// screen. Everything is put back on the way out.

#include "ads/testsupport/TemporaryHome.h"
#include "platform/runtime/MainLoopTestScope.h"

namespace ads::testing {

class AdsTestScope {
  public:
    AdsTestScope();
    ~AdsTestScope();
    AdsTestScope(const AdsTestScope&) = delete;
    AdsTestScope& operator=(const AdsTestScope&) = delete;

    platform::MainLoop& loop() { return loopScope_.loop(); }
    platform::ManualClock& clock() { return loopScope_.clock(); }
    std::size_t advance(double seconds) { return loopScope_.advance(seconds); }
    std::size_t runUntilIdle() { return loopScope_.runUntilIdle(); }
    TemporaryHome& home() { return home_; }

  private:
    platform::MainLoopTestScope loopScope_;
    TemporaryHome home_;
};

}  // namespace ads::testing
