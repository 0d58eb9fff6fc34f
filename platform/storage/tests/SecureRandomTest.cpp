#include "platform/storage/SecureRandom.h"

#include <gtest/gtest.h>

#include <algorithm>

using platform::SecureRandom;

TEST(SecureRandomTest, FillsAndCanBeMadeToFail) {
    auto a = SecureRandom::bytes(16);
    auto b = SecureRandom::bytes(16);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->size(), 16u);
    EXPECT_NE(*a, *b);
    EXPECT_TRUE(std::any_of(a->begin(), a->end(), [](std::uint8_t v) { return v != 0; }));
    EXPECT_TRUE(SecureRandom::fill(nullptr, 0));

    SecureRandom::setFailForTesting(true);
    std::uint8_t buf[8];
    std::fill(std::begin(buf), std::end(buf), 0xAA);
    EXPECT_FALSE(SecureRandom::fill(buf, sizeof buf));
    // No half-random leftovers for a caller that ignores the answer.
    EXPECT_TRUE(std::all_of(std::begin(buf), std::end(buf), [](std::uint8_t v) { return v == 0; }));
    EXPECT_FALSE(SecureRandom::bytes(4));
    SecureRandom::setFailForTesting(false);
    EXPECT_TRUE(SecureRandom::bytes(4));
}
