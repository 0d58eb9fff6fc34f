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

}  // namespace
}  // namespace platform
