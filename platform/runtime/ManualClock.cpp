#include "platform/runtime/ManualClock.h"

namespace platform {

ManualClock::ManualClock(double monotonicStart, double wallStart)
    : monotonic_(monotonicStart), wall_(wallStart) {}

double ManualClock::monotonic() const {
    std::lock_guard lock(mutex_);
    return monotonic_;
}

double ManualClock::wallSeconds() const {
    std::lock_guard lock(mutex_);
    return wall_;
}

void ManualClock::advance(double seconds) {
    if (!(seconds > 0)) return;
    std::lock_guard lock(mutex_);
    monotonic_ += seconds;
    wall_ += seconds;
}

void ManualClock::advanceTo(double monotonicTime) {
    std::lock_guard lock(mutex_);
    if (!(monotonicTime > monotonic_)) return;
    wall_ += monotonicTime - monotonic_;
    monotonic_ = monotonicTime;
}

void ManualClock::setWallSeconds(double wall) {
    std::lock_guard lock(mutex_);
    wall_ = wall;
}

ManualClock::Scope::Scope() : clock_(std::make_shared<ManualClock>()) {
    previous_ = Clock::install(clock_);
}

ManualClock::Scope::~Scope() {
    Clock::install(previous_);
}

}  // namespace platform
