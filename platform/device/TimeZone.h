#pragma once

// The system time zone, as far as callers need it: its offset from UTC at a moment. The zone
// is the C library's (TZ when set, else /etc/localtime) and is looked up afresh at every call,
// so a change of TZ (tests set it) is followed at once. "Now" is the program's clock, so a
// test with a manual clock gets the offset of its own moment, daylight saving included.

namespace platform {

class TimeZone {
  public:
    // Seconds east of UTC, now.
    static long secondsFromGMT();
    // Seconds east of UTC at a wall time (seconds since 1970); 0 for a time the C library
    // cannot convert.
    static long secondsFromGMT(double wallSeconds);
};

}  // namespace platform
