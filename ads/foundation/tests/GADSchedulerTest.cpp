#include "ads/foundation/GADScheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <latch>
#include <limits>
#include <mutex>
#include <vector>

#include "ads/foundation/GADWeakTimer.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/runtime/SerialQueue.h"

namespace ads {
namespace {

TEST(GADSchedulerTest, IdsCountUpAndMissingPartsAddNothing) {
    platform::MainLoopTestScope scope;
    auto scheduler = GADScheduler::create(1);
    EXPECT_EQ(scheduler->taskIDScheduledOnQueue(GADQueue(), [] {}), -1);
    EXPECT_EQ(scheduler->taskIDScheduledOnQueue(GADQueue::main(), {}), -1);
    EXPECT_EQ(scheduler->taskCount(), 0u);
    EXPECT_EQ(scheduler->taskIDScheduledOnQueue(GADQueue::main(), [] {}), 1);
    EXPECT_EQ(scheduler->taskIDScheduledOnQueue(GADQueue::main(), [] {}), 2);
    scheduler->unscheduleTaskWithID(1);
    scheduler->unscheduleTaskWithID(77);
    // Ids are never reused.
    EXPECT_EQ(scheduler->taskIDScheduledOnQueue(GADQueue::main(), [] {}), 3);
    EXPECT_EQ(scheduler->taskCount(), 2u);
    EXPECT_EQ(GADScheduler::create(2)->taskIDScheduledOnQueue(GADQueue::main(), [] {}), 1);
}

TEST(GADSchedulerTest, StartsOneTimerAndStopsIt) {
    platform::MainLoopTestScope scope;
    auto scheduler = GADScheduler::create(60);
    int ticks = 0;
    scheduler->taskIDScheduledOnQueue(GADQueue::main(), [&] { ++ticks; });
    scheduler->start();
    scheduler->start();
    EXPECT_EQ(scope.loop().scheduledTimerCount(), 1u);
    scope.advance(59.9);
    EXPECT_EQ(ticks, 0);
    scope.advance(0.1);
    EXPECT_EQ(ticks, 1);
    scope.advance(120);
    EXPECT_EQ(ticks, 3);

    scheduler->stop();
    scheduler->stop();
    EXPECT_FALSE(scheduler->isStarted());
    EXPECT_EQ(scope.loop().scheduledTimerCount(), 0u);
    scope.advance(120);
    EXPECT_EQ(ticks, 3);

    // A restart counts its first interval from the restart.
    scope.advance(30);
    scheduler->start();
    scope.advance(59);
    EXPECT_EQ(ticks, 3);
    scope.advance(1);
    EXPECT_EQ(ticks, 4);
}

TEST(GADSchedulerTest, EachTickRunsEveryTaskOnItsOwnQueue) {
    platform::MainLoopTestScope scope;
    auto serial = std::make_shared<platform::SerialQueue>("com.zivivu.durez.test-tasks");
    std::mutex mutex;
    std::vector<std::string> ranOn;
    auto record = [&](std::string where) {
        std::lock_guard lock(mutex);
        ranOn.push_back(std::move(where));
    };
    std::latch globalRuns(2);
    std::atomic<bool> globalOffMain{true};

    auto scheduler = GADScheduler::create(5);
    scheduler->taskIDScheduledOnQueue(GADQueue::serial(serial),
                                      [&] { record(platform::SerialQueue::currentLabel()); });
    scheduler->taskIDScheduledOnQueue(
        GADQueue::main(), [&] { record(platform::isMainThread() ? "main" : "not main"); });
    scheduler->taskIDScheduledOnQueue(GADQueue::global(), [&] {
        if (platform::isMainThread()) globalOffMain = false;
        globalRuns.count_down();
    });
    scheduler->start();
    scope.advance(10);
    serial->sync([] {});
    globalRuns.wait();
    std::lock_guard lock(mutex);
    std::sort(ranOn.begin(), ranOn.end());
    EXPECT_EQ(ranOn, (std::vector<std::string>{"com.zivivu.durez.test-tasks",
                                               "com.zivivu.durez.test-tasks", "main", "main"}));
    EXPECT_TRUE(globalOffMain);
}

TEST(GADSchedulerTest, ServerIntervalsNeverSpinTheLoop) {
    platform::MainLoopTestScope scope;
    for (double interval : {0.0, -3.0, std::numeric_limits<double>::quiet_NaN(), 0.01}) {
        auto scheduler = GADScheduler::create(interval);
        EXPECT_EQ(scheduler->interval(), GADScheduler::kMinimumInterval) << interval;
        int ticks = 0;
        scheduler->taskIDScheduledOnQueue(GADQueue::main(), [&] { ++ticks; });
        scheduler->start();
        scope.advance(1.05);
        EXPECT_EQ(ticks, 10) << interval;
    }
    EXPECT_EQ(GADScheduler::create(0.5)->interval(), 0.5);
}

TEST(GADSchedulerTest, ADroppedSchedulerNeverTicksAgain) {
    platform::MainLoopTestScope scope;
    auto scheduler = GADScheduler::create(1);
    int ticks = 0;
    scheduler->taskIDScheduledOnQueue(GADQueue::main(), [&] { ++ticks; });
    scheduler->start();
    scope.advance(1);
    EXPECT_EQ(ticks, 1);
    scheduler.reset();
    EXPECT_EQ(scope.loop().scheduledTimerCount(), 0u);
    scope.advance(5);
    EXPECT_EQ(ticks, 1);
}

TEST(GADSchedulerTest, DescriptionNamesTasksAndInterval) {
    platform::MainLoopTestScope scope;
    auto scheduler = GADScheduler::create(60);
    scheduler->taskIDScheduledOnQueue(GADQueue::main(), [] {});
    const std::string text = scheduler->description();
    EXPECT_EQ(text.rfind("GADScheduler 0x", 0), 0u) << text;
    EXPECT_NE(text.find(": 1 blocks, 60.000000 interval"), std::string::npos) << text;
}

TEST(GADSchedulerTest, BlockTimersFireOnTheMainLoopUntilInvalidated) {
    platform::MainLoopTestScope scope;
    int fired = 0;
    auto timer = gad_scheduledTimer(2, true, 0, [&](platform::Timer& t) {
        if (++fired == 3) t.invalidate();
    });
    EXPECT_EQ(timer->tolerance(), 0);
    scope.advance(10);
    EXPECT_EQ(fired, 3);
    auto once = gad_scheduledTimer(1, false, 0.5, [&](platform::Timer&) { ++fired; });
    EXPECT_EQ(once->tolerance(), 0.5);
    scope.advance(2);
    EXPECT_EQ(fired, 4);
    EXPECT_FALSE(once->isValid());
}

}  // namespace
}  // namespace ads
