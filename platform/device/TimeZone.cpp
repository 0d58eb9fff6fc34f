#include "platform/device/TimeZone.h"

#include <cerrno>
#include <cmath>
#include <ctime>
#include <limits>
#include <mutex>

#include "platform/runtime/Clock.h"

namespace platform {

namespace {

// localtime_r need not look at TZ again; tzset makes it. The lock keeps two callers from
// re-reading the zone data at the same moment.
std::mutex& zoneMutex() {
    static std::mutex mutex;
    return mutex;
}

bool localTime(double wallSeconds, std::tm* out) {
    if (!std::isfinite(wallSeconds) ||
        wallSeconds < static_cast<double>(std::numeric_limits<std::time_t>::min()) ||
        wallSeconds > static_cast<double>(std::numeric_limits<std::time_t>::max()))
        return false;
    std::lock_guard lock(zoneMutex());
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

std::optional<double> TimeZone::wallSecondsAtStartOfLocalDate(std::int64_t year, std::int64_t month,
                                                              std::int64_t day) {
    // Far beyond any calendar the C library keeps in an int, and beyond any real date.
    constexpr std::int64_t kLimit = 100000000;
    if (year < -kLimit || year > kLimit || month < -kLimit || month > kLimit || day < -kLimit ||
        day > kLimit)
        return std::nullopt;
    // The calendar's own carrying first (timegm knows no zones), so the day wanted is known.
    std::tm wanted{};
    wanted.tm_year = static_cast<int>(year - 1900);
    wanted.tm_mon = static_cast<int>(month - 1);
    wanted.tm_mday = static_cast<int>(day);
    (void)::timegm(&wanted);
    std::tm tm{};
    tm.tm_year = wanted.tm_year;
    tm.tm_mon = wanted.tm_mon;
    tm.tm_mday = wanted.tm_mday;
    tm.tm_isdst = -1;
    std::lock_guard lock(zoneMutex());
    ::tzset();
    errno = 0;
    std::time_t t = ::mktime(&tm);
    if (t == static_cast<std::time_t>(-1) && errno != 0) return std::nullopt;
    // Where daylight saving skips midnight, the C library may answer the hour before the
    // gap, which is still the day before: step into the day.
    for (int hours = 0; hours < 48; ++hours) {
        std::tm local{};
        if (!::localtime_r(&t, &local)) return std::nullopt;
        if (local.tm_year > wanted.tm_year ||
            (local.tm_year == wanted.tm_year && local.tm_yday >= wanted.tm_yday))
            break;
        t += 3600;
    }
    return static_cast<double>(t);
}

std::optional<TimeZone::LocalDate> TimeZone::localDate(double wallSeconds) {
    std::tm tm{};
    if (!localTime(wallSeconds, &tm)) return std::nullopt;
    return LocalDate{static_cast<std::int64_t>(tm.tm_year) + 1900, tm.tm_mon + 1, tm.tm_mday};
}

}  // namespace platform
