#include "platform/base/LogBudget.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {
namespace {

using Verdict = LogBudget::Verdict;

std::vector<Verdict> spend(LogBudget& budget, int times, double now = 0) {
    std::vector<Verdict> verdicts;
    for (int i = 0; i < times; ++i) verdicts.push_back(budget.spend(now));
    return verdicts;
}

TEST(LogBudgetTest, ItsLinesThenOneDroppedLineThenNothingUntilItStartsOver) {
    LogBudget budget(3, "the rest are dropped");
    EXPECT_EQ(
        spend(budget, 7),
        (std::vector<Verdict>{Verdict::Write, Verdict::Write, Verdict::Write, Verdict::WriteDropped,
                              Verdict::Drop, Verdict::Drop, Verdict::Drop}));
    // Without a period, time does not renew it; its owner does.
    EXPECT_EQ(budget.spend(1e9), Verdict::Drop);
    budget.renew();
    EXPECT_EQ(spend(budget, 4), (std::vector<Verdict>{Verdict::Write, Verdict::Write,
                                                      Verdict::Write, Verdict::WriteDropped}));

    // What is written, and what is only made when it is.
    LogSink::Capture log;
    LogBudget lines(1, "dropped");
    int made = 0;
    auto make = [&] {
        ++made;
        return std::string("made");
    };
    EXPECT_TRUE(lines.writeWith(make));
    EXPECT_FALSE(lines.writeWith(make));
    EXPECT_FALSE(lines.write("never"));
    EXPECT_EQ(made, 1);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"made", "dropped"}));
}

TEST(LogBudgetTest, APeriodicBudgetStartsOverOnceItsPeriodHasPassed) {
    LogBudget budget(2, "dropped", 60);
    EXPECT_EQ(spend(budget, 4, 100), (std::vector<Verdict>{Verdict::Write, Verdict::Write,
                                                           Verdict::WriteDropped, Verdict::Drop}));
    EXPECT_EQ(budget.spend(159.9), Verdict::Drop);
    // The period counts from its first line, not from its last refusal.
    EXPECT_EQ(spend(budget, 3, 160),
              (std::vector<Verdict>{Verdict::Write, Verdict::Write, Verdict::WriteDropped}));
    // A clock that went back cannot keep it closed for good.
    EXPECT_EQ(budget.spend(5), Verdict::Write);
}

}  // namespace
}  // namespace platform
