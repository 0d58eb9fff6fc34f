#include "platform/net/HttpDate.h"

#include <gtest/gtest.h>

using platform::Date;
using platform::formatHttpDate;
using platform::parseHttpDate;

namespace {
// Sun, 06 Nov 1994 08:49:37 GMT
constexpr double kExample = 784111777.0;
}  // namespace

TEST(HttpDate, ParsesAllThreeFormsToTheSameMoment) {
    auto preferred = parseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT");
    auto obsolete = parseHttpDate("Sunday, 06-Nov-94 08:49:37 GMT");
    auto asctime = parseHttpDate("Sun Nov  6 08:49:37 1994");
    ASSERT_TRUE(preferred && obsolete && asctime);
    EXPECT_EQ(preferred->secondsSince1970, kExample);
    EXPECT_EQ(obsolete->secondsSince1970, kExample);
    EXPECT_EQ(asctime->secondsSince1970, kExample);
}

TEST(HttpDate, AcceptsZonesCaseAndSpaceVariants) {
    EXPECT_EQ(parseHttpDate("  sun, 06 nov 1994 08:49:37 gmt\r\n")->secondsSince1970, kExample);
    EXPECT_EQ(parseHttpDate("Sun, 06 Nov 1994 08:49:37 UTC")->secondsSince1970, kExample);
    EXPECT_EQ(parseHttpDate("Sun, 06 Nov 1994 09:49:37 +0100")->secondsSince1970, kExample);
    EXPECT_EQ(parseHttpDate("Sun, 06 Nov 1994 03:49:37 GMT-05:00")->secondsSince1970, kExample);
    EXPECT_EQ(parseHttpDate("Sun, 6 Nov 1994 08:49:37 GMT")->secondsSince1970, kExample);
    EXPECT_EQ(parseHttpDate("Sun, 06 Nov 1994 00:49:37 PST")->secondsSince1970, kExample);
    EXPECT_EQ(parseHttpDate("Sunday, 06-Nov-94 04:49:37 EDT")->secondsSince1970, kExample);
    EXPECT_EQ(parseHttpDate("Sun Nov 6 08:49:37 1994")->secondsSince1970, kExample);
}

TEST(HttpDate, TwoDigitYearsFallInAWindowAroundNow) {
    auto old = parseHttpDate("Thursday, 01-Jan-70 00:00:00 GMT");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->secondsSince1970, 0.0);
    auto recent = parseHttpDate("Wednesday, 01-Jan-25 00:00:00 GMT");
    ASSERT_TRUE(recent);
    EXPECT_EQ(recent->secondsSince1970, 1735689600.0);  // 2025, not 1925
}

TEST(HttpDate, RefusesBadDates) {
    for (const char* bad : {
             "", "yesterday",
             "Sun, 06 Nov 1994 08:49:37",      // no zone
             "Sun, 06 Nov 1994 08:49:37 XYZ",  // unknown zone
             "Sun, 31 Feb 1994 08:49:37 GMT",  // no such day
             "Sun, 06 Foo 1994 08:49:37 GMT",  // no such month
             "Sun, 06 Nov 1994 24:00:00 GMT",  // no such hour
             "Sun, 06 Nov 1994 08:60:00 GMT",  // no such minute
             "Sun, 06 Nov 94 08:49:37 GMT",    // two-digit year in the preferred form
             "Sun, 06 Nov 1994 08:49:37 GMT trailing",
             "Funday, 06-Nov-94 08:49:37 GMT",  // no such weekday
             "Sun Nov  6 08:49:37 1994 GMT",    // asctime has no zone
             "Sun Nov  6 08:49 1994",
             "1994-11-06T08:49:37Z",  // ISO 8601 is not an HTTP date
         }) {
        EXPECT_FALSE(parseHttpDate(bad).has_value()) << bad;
    }
}

TEST(HttpDate, FormatsThePreferredFormAndRoundTrips) {
    EXPECT_EQ(formatHttpDate(Date{kExample}), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(formatHttpDate(Date{kExample + 0.75}), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(platform::formatHttpDateWithoutZone(Date{kExample}), "Sun, 06 Nov 1994 08:49:37");
    EXPECT_EQ(formatHttpDate(Date{-1}), "Wed, 31 Dec 1969 23:59:59 GMT");
    EXPECT_EQ(formatHttpDate(Date{951782400}), "Tue, 29 Feb 2000 00:00:00 GMT");
    for (double t : {0.0, 951782400.0, 1700000000.0, 4102444800.0}) {
        EXPECT_EQ(parseHttpDate(formatHttpDate(Date{t}))->secondsSince1970, t);
    }
    EXPECT_EQ(formatHttpDate(Date{1e300}), "");
}
