// A page's budget of navigations on made-up times: what a burst, a steady page and a flood are
// each answered, and that a new page starts afresh.

#include "platform/web/NavigationBudget.h"

#include <gtest/gtest.h>

#include "platform/web/WebViewTypes.h"

namespace platform::web {
namespace {

using Verdict = NavigationBudget::Verdict;

// The verdicts of `count` navigations at `now`, as counts.
struct Tally {
    int asked = 0, dropped = 0, ended = 0;
};
Tally spend(NavigationBudget& budget, int count, double now) {
    Tally tally;
    for (int i = 0; i < count; ++i) {
        switch (budget.spend(now)) {
            case Verdict::Ask:
                ++tally.asked;
                break;
            case Verdict::Drop:
                ++tally.dropped;
                break;
            case Verdict::End:
                ++tally.ended;
                break;
        }
    }
    return tally;
}

TEST(NavigationBudgetTest, ABurstIsAskedTheExcessDroppedAndTheBucketFillsAgainAtItsRate) {
    NavigationBudget budget(/*perSecond*/ 50, /*burst*/ 100, /*flood*/ 100, /*window*/ 10);
    // A page's first hundred at once, then what no bucket holds.
    Tally first = spend(budget, 130, 5.0);
    EXPECT_EQ(first.asked, 100);
    EXPECT_EQ(first.dropped, 30);
    EXPECT_EQ(budget.dropped(), 30u);
    // A fifth of a second fills ten; a clock that goes back fills none.
    EXPECT_EQ(spend(budget, 12, 5.2).asked, 10);
    EXPECT_EQ(spend(budget, 1, 4.0).asked, 0);
    // Never more than the burst, however long the page rested.
    Tally rested = spend(budget, 150, 100.0);
    EXPECT_EQ(rested.asked, 100);
    EXPECT_EQ(rested.ended, 0);
    EXPECT_FALSE(budget.ended());
}

TEST(NavigationBudgetTest, APageAtItsRateIsNeverDroppedAndOneFloodingPastItIsEndedOnce) {
    // The program's own figures: a page starting its rate for a minute loses nothing.
    NavigationBudget steady(kPageNavigationsPerSecond, kPageNavigationBurst, kPageFloodNavigations,
                            kPageFloodWindowSeconds);
    int asked = 0;
    for (int tick = 0; tick < 60 * 50; ++tick) {
        asked += steady.spend(tick / 50.0) == Verdict::Ask;
    }
    EXPECT_EQ(asked, 60 * 50);

    // 200 every 10 ms: the burst is asked, the flood's refusals end it within a fifth of a
    // second, and whatever comes after is dropped.
    NavigationBudget flood(kPageNavigationsPerSecond, kPageNavigationBurst, kPageFloodNavigations,
                           kPageFloodWindowSeconds);
    Tally tally;
    double endedAt = -1;
    for (int tick = 0; tick < 100; ++tick) {
        const Tally batch = spend(flood, 200, tick * 0.01);
        tally.asked += batch.asked;
        tally.dropped += batch.dropped;
        tally.ended += batch.ended;
        if (batch.ended && endedAt < 0) endedAt = tick * 0.01;
    }
    EXPECT_EQ(tally.ended, 1);
    EXPECT_LE(endedAt, 0.2);
    EXPECT_LE(tally.asked, kPageNavigationBurst + 1);
    EXPECT_TRUE(flood.ended());

    // A page refused now and then, fewer than the flood within the window, goes on; the same
    // refusals closer together end it.
    NavigationBudget bursts(50, 100, 100, 10);
    for (int second = 0; second < 40; second += 4) {
        EXPECT_EQ(spend(bursts, 120, second).ended, 0) << second;
    }
    EXPECT_FALSE(bursts.ended());
    EXPECT_EQ(spend(bursts, 250, 41).ended, 1);
}

TEST(NavigationBudgetTest, ACostlyNavigationIsAskedOnlyWhenTheBucketHoldsAllOfIt) {
    NavigationBudget budget(50, 100, 100, 10);
    // Four of 25 empty the bucket; the fifth is refused, and counts once towards the flood.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(budget.spend(1.0, 25), Verdict::Ask);
    EXPECT_EQ(budget.spend(1.0, 25), Verdict::Drop);
    EXPECT_EQ(budget.dropped(), 1u);
    // Half a second fills 25 again: one more, and the cheap ones still find nothing left.
    EXPECT_EQ(budget.spend(1.5, 25), Verdict::Ask);
    EXPECT_EQ(budget.spend(1.5), Verdict::Drop);
    // A cost past the whole burst is never asked.
    budget.renew();
    EXPECT_EQ(budget.spend(2.0, 101), Verdict::Drop);
}

TEST(NavigationBudgetTest, ANewPageStartsWithAFullBucketAndNothingRefused) {
    NavigationBudget budget(50, 100, 100, 10);
    spend(budget, 400, 1.0);
    ASSERT_TRUE(budget.ended());
    budget.renew();
    EXPECT_FALSE(budget.ended());
    EXPECT_EQ(budget.dropped(), 0u);
    EXPECT_EQ(spend(budget, 100, 1.0).asked, 100);
    // The refusals of the page before count no more towards a flood.
    EXPECT_EQ(spend(budget, 99, 1.0).ended, 0);
    EXPECT_EQ(spend(budget, 1, 1.0).ended, 1);
}

}  // namespace
}  // namespace platform::web
