#pragma once

// The SDK's monotonic millisecond clock: milliseconds since the clock's first reading in the
// process, plus one, so a reading is never 0 (stored timings use 0 for "not set"). It follows
// platform::Clock, so a test's manual clock moves it.

#include <cstdint>

namespace ads {

class GADAbsoluteTime {
  public:
    // Thread-safe; never decreases.
    static std::uint64_t absoluteTimeInMilliseconds();

    // Forgets the first reading, so the next one is 1 again (a test's fresh start).
    static void resetForTesting();
};

}  // namespace ads
