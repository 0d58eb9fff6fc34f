#include "ads/foundation/GADAbsoluteTime.h"

#include <gtest/gtest.h>

#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoopTestScope.h"

namespace ads {
namespace {

TEST(GADAbsoluteTimeTest, StartsAtOneAndCountsMilliseconds) {
    platform::MainLoopTestScope scope;
    GADAbsoluteTime::resetForTesting();
    scope.advance(5);  // time before the first reading does not count
    EXPECT_EQ(GADAbsoluteTime::absoluteTimeInMilliseconds(), 1u);
    EXPECT_EQ(GADAbsoluteTime::absoluteTimeInMilliseconds(), 1u);
    scope.advance(0.25);
    EXPECT_EQ(GADAbsoluteTime::absoluteTimeInMilliseconds(), 251u);
    scope.advance(0.04);
    EXPECT_EQ(GADAbsoluteTime::absoluteTimeInMilliseconds(), 291u);
    scope.advance(3600);
    EXPECT_EQ(GADAbsoluteTime::absoluteTimeInMilliseconds(), 3600291u);
}

TEST(GADAbsoluteTimeTest, NeverGoesBackNorBelowOne) {
    platform::MainLoopTestScope scope;
    GADAbsoluteTime::resetForTesting();
    GADAbsoluteTime::absoluteTimeInMilliseconds();
    scope.advance(2);
    EXPECT_EQ(GADAbsoluteTime::absoluteTimeInMilliseconds(), 2001u);
    // Another clock whose time lies before the first reading.
    auto earlier = std::make_shared<platform::ManualClock>(10.0);
    auto previous = platform::Clock::install(earlier);
    EXPECT_EQ(GADAbsoluteTime::absoluteTimeInMilliseconds(), 2001u);
    platform::Clock::install(previous);
    GADAbsoluteTime::resetForTesting();
    EXPECT_EQ(GADAbsoluteTime::absoluteTimeInMilliseconds(), 1u);
}

}  // namespace
}  // namespace ads
