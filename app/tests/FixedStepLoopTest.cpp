// The loop's timing on plain numbers: rates from a scene's frame interval, catching up late
// firings up to maxSkip, and restarting the schedule past it.

#include "app/gameview/FixedStepLoop.h"

#include <cmath>

#include <gtest/gtest.h>

using namespace app;

namespace {

constexpr double kPeriod = 1.0 / double(1000.0f / 30.0f);

TEST(FixedStepLoopTest, RatesComeFromTheFrameInterval) {
    FixedStepLoop loop;
    EXPECT_DOUBLE_EQ(loop.tickFrequency(), 30.0);
    EXPECT_EQ(loop.maxSkip(), 0);
    EXPECT_EQ(loop.pauseWaitTicks(), 10);

    EXPECT_TRUE(loop.setFrameIntervalMs(30.0f));
    EXPECT_EQ(loop.maxSkip(), 3);
    EXPECT_DOUBLE_EQ(loop.tickFrequency(), double(1000.0f / 30.0f));
    EXPECT_NEAR(loop.tickFrequency(), 33.333332, 1e-6);
    EXPECT_EQ(loop.pauseWaitTicks(), 11);
    EXPECT_DOUBLE_EQ(loop.period(), kPeriod);

    // Slow scenes still catch up one tick and wait at least one.
    EXPECT_TRUE(loop.setFrameIntervalMs(5000.0f));
    EXPECT_EQ(loop.maxSkip(), 1);
    EXPECT_EQ(loop.pauseWaitTicks(), 1);
    EXPECT_DOUBLE_EQ(loop.tickFrequency(), double(1000.0f / 5000.0f));

    // An interval of 0 or less (or none at all) gives the default rates instead of a division
    // by zero; so does an interval so short that no count fits.
    for (float bad : {0.0f, -30.0f, std::nanf("")}) {
        loop.setFrameIntervalMs(30.0f);
        EXPECT_FALSE(loop.setFrameIntervalMs(bad)) << bad;
        EXPECT_EQ(loop.maxSkip(), 0) << bad;
        EXPECT_DOUBLE_EQ(loop.tickFrequency(), 30.0) << bad;
        EXPECT_EQ(loop.pauseWaitTicks(), 10) << bad;
    }
    EXPECT_TRUE(loop.setFrameIntervalMs(1e-12f));
    EXPECT_GE(loop.maxSkip(), 1);
}

TEST(FixedStepLoopTest, FiringsCatchUpMissedTicksUpToMaxSkip) {
    FixedStepLoop loop;
    loop.setFrameIntervalMs(30.0f);
    double now = 100.0;
    loop.restart(now);
    EXPECT_DOUBLE_EQ(loop.nextTime(), now);

    // On time: one tick, the next one period on.
    auto firing = loop.fire(now);
    EXPECT_EQ(firing.ticks, 1);
    EXPECT_FALSE(firing.overMaxSkip);
    EXPECT_DOUBLE_EQ(loop.nextTime(), 100.0 + kPeriod);

    // 2.5 periods late: 2 missed ticks caught up, then the due one.
    double due = loop.nextTime();
    now = due + 2.5 * kPeriod;
    firing = loop.fire(now);
    EXPECT_EQ(firing.ticks, 3);
    EXPECT_EQ(firing.late, 2);
    EXPECT_NEAR(loop.nextTime(), due + 3 * kPeriod, 1e-9);

    // 10.5 periods late: only maxSkip (3) are caught up and the schedule starts from now.
    due = loop.nextTime();
    now = due + 10.5 * kPeriod;
    firing = loop.fire(now);
    EXPECT_EQ(firing.ticks, 4);
    EXPECT_TRUE(firing.overMaxSkip);
    EXPECT_EQ(firing.late, 10);
    EXPECT_NEAR(loop.nextTime(), now + 4 * kPeriod, 1e-9);

    // Early: still one tick, and the schedule moves on by one period.
    due = loop.nextTime();
    firing = loop.fire(due - 0.5 * kPeriod);
    EXPECT_EQ(firing.ticks, 1);
    EXPECT_NEAR(loop.nextTime(), due + kPeriod, 1e-9);

    // Ticks are counted by whoever runs them, from zero for each game.
    for (int i = 0; i < 9; ++i) loop.countTick();
    EXPECT_EQ(loop.tickCount(), 9);
    loop.resetTickCount();
    EXPECT_EQ(loop.tickCount(), 0);
}

TEST(FixedStepLoopTest, AHugeStallNeverOverflowsTheCount) {
    FixedStepLoop loop;
    loop.setFrameIntervalMs(1e-12f);  // maxSkip at the top of int
    loop.restart(0);
    auto firing = loop.fire(1e300);
    EXPECT_GE(firing.ticks, 1);
    EXPECT_TRUE(std::isfinite(loop.nextTime()));
}

}  // namespace
