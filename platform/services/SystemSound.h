#pragma once

// System sounds by number, as callers asked the phone for them. A desktop has no vibration
// motor and none of the phone's system sounds, so nothing plays: every request is counted,
// which is what callers and tests can look at. kSystemSoundIDVibrate (4095) is the one the
// program uses, to vibrate.

#include <cstdint>

namespace platform::services {

inline constexpr std::uint32_t kSystemSoundIDVibrate = 4095;

class SystemSound {
  public:
    // Thread-safe.
    static void play(std::uint32_t soundId);
    static std::uint64_t playCount(std::uint32_t soundId);
    static void resetCountsForTesting();
};

}  // namespace platform::services
