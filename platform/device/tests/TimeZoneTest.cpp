#include "platform/device/TimeZone.h"

#include <gtest/gtest.h>

#include "platform/runtime/ManualClock.h"
#include "platform/testing/TempDir.h"

namespace platform {
namespace {

using testing::ScopedEnv;

TEST(TimeZoneTest, OffsetFollowsTZAndTheProgramsClock) {
    ManualClock::Scope clock;
    {
        // POSIX zone names count west as positive.
        ScopedEnv tz("TZ", "JST-9");
        EXPECT_EQ(TimeZone::secondsFromGMT(), 9 * 3600);
    }
    {
        ScopedEnv tz("TZ", "EST5");
        EXPECT_EQ(TimeZone::secondsFromGMT(), -5 * 3600);
    }
    {
        ScopedEnv tz("TZ", "UTC0");
        EXPECT_EQ(TimeZone::secondsFromGMT(), 0);
    }
    // Daylight saving is the offset of the clock's moment, not of the machine's day.
    ScopedEnv tz("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    clock->setWallSeconds(1700000000);  // November
    EXPECT_EQ(TimeZone::secondsFromGMT(), 3600);
    clock->setWallSeconds(1719835200);  // July
    EXPECT_EQ(TimeZone::secondsFromGMT(), 7200);
    EXPECT_EQ(TimeZone::secondsFromGMT(1700000000), 3600);
    // Times the C library cannot convert answer no offset rather than garbage.
    EXPECT_EQ(TimeZone::secondsFromGMT(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(TimeZone::secondsFromGMT(1e300), 0);
}

TEST(TimeZoneTest, LocalDaysRoundTripInEveryZone) {
    // From the far east to the far west: the day made is the day read back, and it begins at
    // the zone's midnight.
    for (const char* zone : {"UTC0", "LINT-14", "JST-9", "EST5EDT,M3.2.0,M11.1.0", "BIT12"}) {
        ScopedEnv tz("TZ", zone);
        auto start = TimeZone::wallSecondsAtStartOfLocalDate(1990, 2, 1);
        ASSERT_TRUE(start) << zone;
        EXPECT_EQ(TimeZone::localDate(*start), (TimeZone::LocalDate{1990, 2, 1})) << zone;
        EXPECT_EQ(TimeZone::localDate(*start - 1), (TimeZone::LocalDate{1990, 1, 31})) << zone;
    }
    ScopedEnv tz("TZ", "UTC0");
    EXPECT_EQ(*TimeZone::wallSecondsAtStartOfLocalDate(1990, 2, 1), 633830400.0);
    // Out-of-range parts carry over as a calendar does.
    EXPECT_EQ(TimeZone::localDate(*TimeZone::wallSecondsAtStartOfLocalDate(1999, 13, 32)),
              (TimeZone::LocalDate{2000, 2, 1}));
    // A day where daylight saving skips midnight still starts on that day.
    {
        ScopedEnv brazil("TZ", "<-03>3<-02>,M10.3.0/0,M2.3.0/0");
        auto start = TimeZone::wallSecondsAtStartOfLocalDate(2018, 10, 21);
        ASSERT_TRUE(start);
        EXPECT_EQ(TimeZone::localDate(*start), (TimeZone::LocalDate{2018, 10, 21}));
    }
    EXPECT_FALSE(TimeZone::wallSecondsAtStartOfLocalDate(std::int64_t{1} << 40, 1, 1));
    EXPECT_FALSE(TimeZone::localDate(std::numeric_limits<double>::infinity()));
}

}  // namespace
}  // namespace platform
