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
    Random::seed(7);
    long expected = Random::next();
    Random::seed(7);
    EXPECT_EQ(Random::next(), expected);  // back on the generator
}

TEST(Random, ASeedGivesTheCLibrarySequenceWhateverElseDrawsFromIt) {
    // The reference: what srandom(seed) and random() give.
    std::vector<long> reference;
    srandom(2047);
    for (int i = 0; i < 400; ++i) reference.push_back(random());

    Random::seed(2047);
    std::vector<long> drawn;
    for (int i = 0; i < 400; ++i) {
        drawn.push_back(Random::next());
        // Other libraries of the process draw from the C library in between.
        if (i % 3 == 0) (void)rand();
        if (i == 10) srandom(99);
    }
    EXPECT_EQ(drawn, reference);
}
