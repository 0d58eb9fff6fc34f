#include "ads/foundation/GADHeaderParser.h"

#include <gtest/gtest.h>

#include "ads/testsupport/AdsTestScope.h"
#include "platform/net/HttpDate.h"
#include "platform/runtime/Clock.h"

namespace ads {
namespace {

using platform::Date;
using platform::HttpHeaders;

class GADHeaderParserTest : public ::testing::Test {
  protected:
    double now() const { return platform::Clock::wallSeconds(); }
    std::string at(double seconds) const { return platform::formatHttpDate(Date{seconds}); }
    std::optional<double> expiry(const HttpHeaders& headers) const {
        auto date = gad_expirationDate(headers);
        if (!date) return std::nullopt;
        return date->secondsSince1970;
    }

    testing::AdsTestScope scope;
};

TEST_F(GADHeaderParserTest, MaxAgeCountsFromTheServersDate) {
    const double sent = now() - 100;
    EXPECT_EQ(expiry({{"Date", at(sent)}, {"Cache-Control", "max-age=300"}}), sent + 300);
    EXPECT_EQ(expiry({{"Date", at(sent)}, {"Cache-Control", "public, MAX-AGE=300, private"}}),
              sent + 300);
    // Without a date (or one nobody can read), from now.
    EXPECT_EQ(expiry({{"Cache-Control", "max-age=300"}}), now() + 300);
    EXPECT_EQ(expiry({{"Date", "yesterday"}, {"Cache-Control", "max-age=300"}}), now() + 300);
    // Nothing to keep, and no second chance through "Expires".
    for (const char* control : {"max-age=0", "max-age=-5", "no-store, max-age=300", "No-Store"}) {
        EXPECT_FALSE(expiry({{"Cache-Control", control}, {"Expires", at(now() + 60)}})) << control;
    }
    // Digits past any integer saturate.
    auto far = expiry({{"Cache-Control", "max-age=99999999999999999999999999"}});
    ASSERT_TRUE(far);
    EXPECT_GT(*far, now() + 9e18);
}

TEST_F(GADHeaderParserTest, ExpiresCountsFromNowByTheServersClock) {
    // The server's clock runs an hour behind ours; its 60 seconds are ours.
    const double sent = now() - 3600;
    EXPECT_EQ(expiry({{"Date", at(sent)}, {"Expires", at(sent + 60)}}), now() + 60);
    EXPECT_EQ(expiry({{"Expires", at(now() + 60)}}), now() + 60);
    // A "Cache-Control" without a rule, or with a "max-age" that is no number, falls through.
    EXPECT_EQ(
        expiry({{"Date", at(sent)}, {"Cache-Control", "max-age=soon"}, {"Expires", at(sent + 60)}}),
        now() + 60);
    EXPECT_EQ(expiry({{"Cache-Control", "public"}, {"Expires", at(now() + 60)}}), now() + 60);
    // Past, equal to the date, or no date at all.
    EXPECT_FALSE(expiry({{"Date", at(sent)}, {"Expires", at(sent)}}));
    EXPECT_FALSE(expiry({{"Expires", at(now() - 1)}}));
    EXPECT_FALSE(expiry({{"Expires", "0"}}));
    EXPECT_FALSE(expiry({}));
}

TEST_F(GADHeaderParserTest, PragmaNoCacheWinsOverEverything) {
    EXPECT_FALSE(expiry({{"Pragma", "no-cache"}, {"Cache-Control", "max-age=300"}}));
    EXPECT_FALSE(expiry({{"Pragma", " No-Cache "}, {"Expires", at(now() + 60)}}));
    EXPECT_EQ(expiry({{"Pragma", "x-other"}, {"Cache-Control", "max-age=5"}}), now() + 5);
}

TEST_F(GADHeaderParserTest, DatesInEachHttpForm) {
    const Date expected{784111777};
    EXPECT_EQ(gad_dateFromHttpDateString("Sun, 06 Nov 1994 08:49:37 GMT"), expected);
    EXPECT_EQ(gad_dateFromHttpDateString("Sunday, 06-Nov-94 08:49:37 GMT"), expected);
    EXPECT_EQ(gad_dateFromHttpDateString("Sun Nov  6 08:49:37 1994"), expected);
    EXPECT_FALSE(gad_dateFromHttpDateString("06/11/1994"));
    EXPECT_FALSE(gad_dateFromHttpDateString(""));
}

}  // namespace
}  // namespace ads
