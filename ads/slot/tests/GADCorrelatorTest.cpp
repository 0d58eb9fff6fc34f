#include "ads/slot/GADCorrelator.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/storage/SecureRandom.h"

using namespace ads;

TEST(GADCorrelator, FreshCorrelatorsDrawDistinctNonZeroIdsEvenWhenTheKernelFails) {
    std::set<std::uint32_t> ids;
    for (int i = 0; i < 64; ++i) {
        auto correlator = GADCorrelator::create();
        ASSERT_NE(correlator->correlationID(), 0u);
        ids.insert(correlator->correlationID());
    }
    // 64 draws from 2^32 values collide with a chance of about 5e-7.
    EXPECT_EQ(ids.size(), 64u);

    platform::SecureRandom::setFailForTesting(true);
    auto fallback = GADCorrelator::create();
    platform::SecureRandom::setFailForTesting(false);
    EXPECT_NE(fallback->correlationID(), 0u);
    EXPECT_EQ(GADCorrelator::create(7)->correlationID(), 7u);
}
