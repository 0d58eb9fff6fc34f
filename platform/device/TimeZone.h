#pragma once

// The system time zone, as far as callers need it: its offset from UTC at a moment, and the
// calendar day of a moment (birthdays are days of the user's zone). The zone
// is the C library's (TZ when set, else /etc/localtime) and is looked up afresh at every call,
// so a change of TZ (tests set it) is followed at once. "Now" is the program's clock, so a
// test with a manual clock gets the offset of its own moment, daylight saving included.

#include <cstdint>
#include <optional>

namespace platform {

class TimeZone {
  public:
    // Seconds east of UTC, now.
    static long secondsFromGMT();
    // Seconds east of UTC at a wall time (seconds since 1970); 0 for a time the C library
    // cannot convert.
    static long secondsFromGMT(double wallSeconds);

    // A day of the Gregorian calendar.
    struct LocalDate {
        std::int64_t year = 0;
        int month = 0;
        int day = 0;
        friend bool operator==(const LocalDate&, const LocalDate&) = default;
    };
    // The wall time of the day's first moment in the system zone (midnight, or the first hour
    // that exists where daylight saving skips midnight). A month or day out of range carries
    // over as a calendar counts (month 13 is January of the next year). Nothing for dates the
    // C library cannot convert.
    static std::optional<double> wallSecondsAtStartOfLocalDate(std::int64_t year,
                                                               std::int64_t month,
                                                               std::int64_t day);
    // The day of a wall time in the system zone; nothing for a time that cannot be converted.
    static std::optional<LocalDate> localDate(double wallSeconds);
};

}  // namespace platform
