#include "ads/foundation/GADOrientation.h"

#include <gtest/gtest.h>

namespace ads {
namespace {

TEST(GADOrientationTest, NamesAndMasks) {
    EXPECT_EQ(GADSupportedOrientationsFromString("any"), 30u);
    EXPECT_EQ(GADSupportedOrientationsFromString("portrait"), 6u);
    EXPECT_EQ(GADSupportedOrientationsFromString("landscape"), 24u);
    EXPECT_EQ(GADSupportedOrientationsFromString("Portrait"), 0u);
    EXPECT_EQ(GADSupportedOrientationsFromString(""), 0u);
    EXPECT_EQ(GADSupportedOrientationsFromString("landscape "), 0u);

    EXPECT_TRUE(GADOrientationMaskContainsOrientation(6, 1));
    EXPECT_TRUE(GADOrientationMaskContainsOrientation(6, 2));
    EXPECT_FALSE(GADOrientationMaskContainsOrientation(6, 3));
    EXPECT_TRUE(GADOrientationMaskContainsOrientation(24, 4));
    EXPECT_FALSE(GADOrientationMaskContainsOrientation(30, -1));
    EXPECT_FALSE(GADOrientationMaskContainsOrientation(~0u, 40));
}

}  // namespace
}  // namespace ads
