#include "ads/foundation/GADAbsoluteTime.h"

#include <cmath>
#include <mutex>
#include <optional>

#include "platform/runtime/Clock.h"

namespace ads {

namespace {

struct ClockState {
    std::mutex mutex;
    std::optional<double> origin;
    std::uint64_t last = 0;
};

ClockState& state() {
    static ClockState s;
    return s;
}

}  // namespace

std::uint64_t GADAbsoluteTime::absoluteTimeInMilliseconds() {
    const double now = platform::Clock::monotonic();
    ClockState& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.origin) s.origin = now;
    double elapsed = (now - *s.origin) * 1000.0;
    if (!(elapsed > 0)) elapsed = 0;
    // A hair over one nanosecond keeps a reading of, say, 40 ms from coming out as 39.99999.
    const auto reading = static_cast<std::uint64_t>(std::floor(elapsed + 1e-6)) + 1;
    // A clock source swapped under a running process must not move the readings back.
    if (reading > s.last) s.last = reading;
    return s.last;
}

void GADAbsoluteTime::resetForTesting() {
    ClockState& s = state();
    std::lock_guard lock(s.mutex);
    s.origin.reset();
    s.last = 0;
}

}  // namespace ads
