#include "ads/foundation/GADLocation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <unordered_set>

#include "platform/runtime/ManualClock.h"

namespace ads {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

class GADLocationTest : public ::testing::Test {
  protected:
    platform::ManualClock::Scope clock;
};

TEST_F(GADLocationTest, PreciseMeansInRangeAndNotTheUnsetOrigin) {
    EXPECT_FALSE(GADLocation::initWithLatitude(91, 0, 10));
    EXPECT_FALSE(GADLocation::initWithLatitude(0, -180.5, 10));
    EXPECT_FALSE(GADLocation::initWithLatitude(0, 0, 10));
    EXPECT_FALSE(GADLocation::initWithLatitude(1e-8, -1e-8, 10));
    EXPECT_FALSE(GADLocation::initWithLatitude(kNaN, 10, 10));
    // The equator and the prime meridian are places.
    EXPECT_TRUE(GADLocation::initWithLatitude(0, 32.58, 10));
    EXPECT_TRUE(GADLocation::initWithLatitude(51.48, 0, 10));
    EXPECT_TRUE(GADLocation::initWithLatitude(-90, 180, 0));
    // An accuracy that is no number cannot travel as a radius.
    EXPECT_FALSE(GADLocation::initWithLatitude(51.48, 0, kNaN));
    EXPECT_FALSE(GADLocation::initWithLatitude(51.48, 0, kInf));
}

TEST_F(GADLocationTest, CoordinatesBecomeTheServersRecord) {
    clock->setWallSeconds(1700000000.25);
    auto location = GADLocation::initWithLatitude(35.5, -120.25, 20);
    ASSERT_TRUE(location);
    EXPECT_EQ(location->locationDescription(), "35.500000,-120.250000");
    auto record = location->dictionaryRepresentation();
    ASSERT_TRUE(record);
    EXPECT_EQ((*record)["lat"], platform::Value(355000000));
    EXPECT_EQ((*record)["long"], platform::Value(-1202500000));
    EXPECT_EQ((*record)["radius"], platform::Value(20000.0));
    EXPECT_EQ((*record)["time"], platform::Value(1700000000.25 * 1000000.0));
    // Truncated toward zero, on both sides of it.
    auto south = GADLocation::initWithLatitude(-0.00000019, 0.00000019, 1);
    ASSERT_TRUE(south);
    EXPECT_EQ((*south->dictionaryRepresentation())["lat"], platform::Value(-1));
    EXPECT_EQ((*south->dictionaryRepresentation())["long"], platform::Value(1));

    auto named = GADLocation::initWithLocationDescription("Zurich");
    ASSERT_TRUE(named);
    EXPECT_EQ(named->locationDescription(), "Zurich");
    EXPECT_FALSE(named->isPreciseLocation());
    EXPECT_FALSE(named->dictionaryRepresentation());
    EXPECT_FALSE(GADLocation::initWithLocationDescription(""));
}

TEST_F(GADLocationTest, EqualLocationsHashAlikeWhateverTheirTime) {
    auto a = *GADLocation::initWithLatitude(47.3769, 8.5417, 30);
    clock->advance(60);
    auto b = *GADLocation::initWithLatitude(47.3769 + 1e-8, 8.5417, 30);
    auto far = *GADLocation::initWithLatitude(47.3770, 8.5417, 30);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.hash(), b.hash());
    EXPECT_NE(a, far);
    EXPECT_NE(a, *GADLocation::initWithLatitude(47.3769, 8.5417, 31));

    auto named = *GADLocation::initWithLocationDescription("47.376900,8.541700");
    // The same text, but one is a place by coordinates and the other by name.
    EXPECT_NE(a, named);
    EXPECT_EQ(named, *GADLocation::initWithLocationDescription("47.376900,8.541700"));
    EXPECT_NE(named, *GADLocation::initWithLocationDescription("Zurich"));

    std::unordered_set<GADLocation> set{a, named};
    EXPECT_EQ(set.count(b), 1u);
    EXPECT_EQ(set.size(), 2u);

    // A copy keeps the moment of the location it copies.
    clock->advance(60);
    GADLocation copy = b;
    EXPECT_EQ(copy.timestamp(), b.timestamp());
    EXPECT_EQ(copy.dictionaryRepresentation(), b.dictionaryRepresentation());
}

}  // namespace
}  // namespace ads
