#include <gtest/gtest.h>

#include <vector>

#include "appbase/Random.h"

using JTAppBase::Random;

TEST(Random, ScriptedSourceDrivesRangesAndRestores) {
    std::vector<long> script{0, 1073741824, 2147483647, 536870912};
    size_t i = 0;
    {
        Random::Scoped scoped([&] { return script[i++]; });
        EXPECT_EQ(Random::below(4), 0);
        EXPECT_EQ(Random::below(4), 2);              // exactly half
        EXPECT_EQ(Random::between(-400, 400), 399);  // the top of the range is never reached
        EXPECT_EQ(Random::between(9, 36), 15);       // 9 + 27/4 truncated
    }
    EXPECT_EQ(i, 4u);
    srandom(7);
    long expected = random();
    srandom(7);
    EXPECT_EQ(Random::next(), expected);  // back on the C library's generator
}
