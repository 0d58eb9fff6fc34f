#include "platform/device/TimeZone.h"

#include <cmath>
#include <ctime>
#include <limits>
#include <mutex>

#include "platform/runtime/Clock.h"

namespace platform {

namespace {

// localtime_r need not look at TZ again; tzset makes it. The lock keeps two callers from
// re-reading the zone data at the same moment.
bool localTime(double wallSeconds, std::tm* out) {
    if (!std::isfinite(wallSeconds) ||
        wallSeconds < static_cast<double>(std::numeric_limits<std::time_t>::min()) ||
        wallSeconds > static_cast<double>(std::numeric_limits<std::time_t>::max()))
        return false;
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    ::tzset();
    std::time_t t = static_cast<std::time_t>(std::floor(wallSeconds));
    return ::localtime_r(&t, out) != nullptr;
}

}  // namespace

long TimeZone::secondsFromGMT() {
    return secondsFromGMT(Clock::wallSeconds());
}

long TimeZone::secondsFromGMT(double wallSeconds) {
    std::tm tm{};
    if (!localTime(wallSeconds, &tm)) return 0;
    return tm.tm_gmtoff;
}

}  // namespace platform
