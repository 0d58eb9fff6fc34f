#include "platform/runtime/MainLoop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <future>
#include <limits>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/base/LogSink.h"
#include "platform/runtime/GlobalQueue.h"
#include "platform/runtime/MainLoopTestScope.h"

using namespace platform;
using ::testing::DoubleEq;
using ::testing::ElementsAre;

namespace {

struct MainLoopTest : ::testing::Test {
    MainLoopTestScope scope;
    MainLoop& loop = MainLoop::main();
    std::vector<std::string> log;
};

}  // namespace

TEST(Clock, ManualClockOnlyMovesForward) {
    ManualClock::Scope scope;
    double t0 = Clock::monotonic();
    double w0 = Clock::wallSeconds();
    EXPECT_EQ(t0, ManualClock::kStartMonotonic);
    scope->advance(2.5);
    EXPECT_EQ(Clock::monotonic(), t0 + 2.5);
    EXPECT_EQ(Clock::wallSeconds(), w0 + 2.5);
    scope->advance(-10);
    scope->advanceTo(t0);
    EXPECT_EQ(Clock::monotonic(), t0 + 2.5);
    EXPECT_NE(Clock::manual(), nullptr);
}

TEST(Clock, SystemClockIsRestoredAfterScope) {
    { ManualClock::Scope scope; }
    EXPECT_EQ(Clock::manual(), nullptr);
    double a = Clock::monotonic();
    EXPECT_LE(a, Clock::monotonic());
    EXPECT_GT(Clock::wallSeconds(), 1.6e9);
}

TEST_F(MainLoopTest, PostedTasksRunInOrderIncludingWorkTheyPost) {
    loop.post([&] {
        log.push_back("a");
        loop.post([&] { log.push_back("c"); });
    });
    loop.post([&] { log.push_back("b"); });
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(loop.runUntilIdle(), 3u);
    EXPECT_THAT(log, ElementsAre("a", "b", "c"));
    EXPECT_EQ(loop.runUntilIdle(), 0u);
}

TEST_F(MainLoopTest, PostAfterFiresInTimeOrderAndAtItsTime) {
    double start = scope.now();
    std::vector<double> at;
    loop.postAfter(2.0, [&] { log.push_back("2s"), at.push_back(scope.now() - start); });
    loop.postAfter(0.5, [&] { log.push_back("0.5s"), at.push_back(scope.now() - start); });
    loop.postAfter(2.0, [&] { log.push_back("2s-second"); });
    loop.postAfter(0, [&] { log.push_back("now"); });
    loop.runUntilIdle();
    EXPECT_THAT(log, ElementsAre("now"));
    scope.advance(0.499);
    EXPECT_EQ(log.size(), 1u);
    scope.advance(5);
    EXPECT_THAT(log, ElementsAre("now", "0.5s", "2s", "2s-second"));
    EXPECT_THAT(at, ElementsAre(0.5, 2.0));
    EXPECT_NEAR(scope.now() - start, 5.499, 1e-9);
}

TEST_F(MainLoopTest, OddDelaysAreNoDelayOrNever) {
    loop.postAfter(-5, [&] { log.push_back("negative"); });
    loop.postAfter(std::nan(""), [&] { log.push_back("nan"); });
    Timer::schedule(std::nan(""), false, [&] { log.push_back("nan timer"); });
    auto never = loop.postAfter(INFINITY, [&] { log.push_back("never"); });
    auto neverTimer = Timer::schedule(INFINITY, true, [&] { log.push_back("never timer"); });
    EXPECT_FALSE(never->isValid());
    EXPECT_FALSE(neverTimer->isValid());
    loop.runUntilIdle();
    EXPECT_THAT(log, ElementsAre("negative", "nan", "nan timer"));
    EXPECT_EQ(loop.scheduledTimerCount(), 0u);
}

TEST_F(MainLoopTest, CancelledPostAfterNeverRuns) {
    auto handle = loop.postAfter(1, [&] { log.push_back("x"); });
    EXPECT_TRUE(handle->isValid());
    handle->invalidate();
    scope.advance(2);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(loop.scheduledTimerCount(), 0u);
}

TEST_F(MainLoopTest, RepeatingTimerFiresOnEachIntervalWhileTimeAdvances) {
    int fired = 0;
    auto t = Timer::schedule(1.0, true, [&] { ++fired; });
    scope.advance(3.5);
    EXPECT_EQ(fired, 3);
    EXPECT_DOUBLE_EQ(t->fireDate(), ManualClock::kStartMonotonic + 4.0);
    t->invalidate();
    scope.advance(10);
    EXPECT_EQ(fired, 3);
}

TEST_F(MainLoopTest, TimerThatFellBehindFiresOnceAndSkipsMissedFirings) {
    int fired = 0;
    auto t = Timer::schedule(1.0, true, [&] { ++fired; });
    // The loop was blocked for 5.5 s: time moved without the loop running.
    scope.clock().advance(5.5);
    loop.runUntilIdle();
    EXPECT_EQ(fired, 1);
    EXPECT_DOUBLE_EQ(t->fireDate(), ManualClock::kStartMonotonic + 6.0);
    scope.advance(0.5);
    EXPECT_EQ(fired, 2);
}

TEST_F(MainLoopTest, TimerMayInvalidateItselfFromItsCallback) {
    int fired = 0;
    struct Tracker {
        bool* destroyed;
        ~Tracker() { *destroyed = true; }
    };
    bool destroyed = false;
    auto tracker = std::make_shared<Tracker>(Tracker{&destroyed});
    std::weak_ptr<Timer> weak = Timer::schedule(1.0, true, 0.0, [&, tracker](Timer& self) {
        ++fired;
        if (fired == 2) {
            self.invalidate();
            self.invalidate();
            EXPECT_FALSE(self.isValid());
        }
    });
    tracker.reset();
    scope.advance(10);
    EXPECT_EQ(fired, 2);
    // The loop released the timer, and the timer its callback.
    EXPECT_TRUE(weak.expired());
    EXPECT_TRUE(destroyed);
}

TEST_F(MainLoopTest, TimerInvalidatingAnotherDueAtTheSameTime) {
    std::shared_ptr<Timer> second;
    auto first = Timer::schedule(1.0, false, [&] {
        log.push_back("first");
        second->invalidate();
    });
    second = Timer::schedule(1.0, false, [&] { log.push_back("second"); });
    scope.advance(1);
    EXPECT_THAT(log, ElementsAre("first"));
    EXPECT_FALSE(first->isValid());
}

TEST_F(MainLoopTest, DroppingTheHandleDoesNotStopATimer) {
    int fired = 0;
    Timer::schedule(1.0, false, [&] { ++fired; });
    scope.advance(1);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(loop.scheduledTimerCount(), 0u);
}

TEST_F(MainLoopTest, ZeroIntervalRepeatingTimerCannotSpinTheLoop) {
    int fired = 0;
    auto t = Timer::schedule(0, true, [&] { ++fired; });
    EXPECT_EQ(t->interval(), Timer::kMinimumInterval);
    loop.runUntilIdle();
    EXPECT_EQ(fired, 0);
    scope.advance(Timer::kMinimumInterval * 3.5);
    EXPECT_EQ(fired, 3);
    t->invalidate();
}

TEST_F(MainLoopTest, SetFireDateAndFire) {
    int fired = 0;
    auto t = Timer::schedule(10.0, true, [&] { ++fired; });
    t->setFireDate(scope.now() + 1);
    scope.advance(1);
    EXPECT_EQ(fired, 1);
    t->fire();
    EXPECT_EQ(fired, 2);
    EXPECT_TRUE(t->isValid());
    auto once = Timer::schedule(5.0, false, [&] { ++fired; });
    once->fire();
    EXPECT_EQ(fired, 3);
    EXPECT_FALSE(once->isValid());
    scope.advance(10);
    EXPECT_EQ(fired, 4);  // only the repeating one, at 11 s
    t->invalidate();
}

TEST_F(MainLoopTest, TasksPostedFromTimersRunBeforeLaterTimers) {
    loop.postAfter(1, [&] {
        log.push_back("t1");
        loop.post([&] { log.push_back("posted"); });
    });
    loop.postAfter(2, [&] { log.push_back("t2"); });
    scope.advance(3);
    EXPECT_THAT(log, ElementsAre("t1", "posted", "t2"));
}

TEST_F(MainLoopTest, RunOnMainIsInlineOnMainAndQueuedElsewhere) {
    EXPECT_TRUE(loop.isMainThread());
    EXPECT_TRUE(isMainThread());
    loop.runOnMain([&] { log.push_back("inline"); });
    EXPECT_THAT(log, ElementsAre("inline"));
    std::thread([&] {
        EXPECT_FALSE(loop.isMainThread());
        loop.runOnMain([&] { log.push_back("queued"); });
    }).join();
    EXPECT_EQ(log.size(), 1u);
    loop.runUntilIdle();
    EXPECT_THAT(log, ElementsAre("inline", "queued"));
}

TEST_F(MainLoopTest, SyncOnMainFromABackgroundThreadWhileTheLoopRuns) {
    std::atomic<bool> done{false};
    std::atomic<int> value{0};
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i) {
            EXPECT_TRUE(loop.syncOnMain([&] {
                EXPECT_TRUE(loop.isMainThread());
                ++value;
            }));
        }
        done = true;
        loop.post([] {});  // wake the loop for its last check
    });
    while (!done) loop.runOnce(5.0);
    worker.join();
    EXPECT_EQ(value.load(), 20);
}

TEST_F(MainLoopTest, SyncOnMainRethrowsAndReportsDroppedWork) {
    std::atomic<bool> seen{false};
    std::thread worker([&] {
        try {
            loop.syncOnMain([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error& e) {
            seen = std::string(e.what()) == "boom";
        }
        loop.post([] {});
    });
    while (!seen) loop.runOnce(5.0);
    worker.join();
    loop.runUntilIdle();
    EXPECT_EQ(loop.pendingTaskCount(), 0u);

    std::atomic<int> answer{-1};
    std::thread dropped([&] { answer = loop.syncOnMain([] {}) ? 1 : 0; });
    while (loop.pendingTaskCount() == 0) std::this_thread::yield();
    loop.reset();
    dropped.join();
    EXPECT_EQ(answer.load(), 0);
}

TEST_F(MainLoopTest, PoolThreadsWaitingForTheMainThreadLeaveThePoolWorking) {
    // Every base thread of the pool waits in syncOnMain while the main thread is busy; other
    // background work must still get a thread, or a main thread waiting for it would hang.
    const std::size_t n = std::max<std::size_t>(2, std::thread::hardware_concurrency());
    if (n + 1 >= GlobalQueue::kMaxThreads) GTEST_SKIP() << "more cores than the pool's limit";
    for (std::size_t i = 0; i < n; ++i) GlobalQueue::async([this] { loop.syncOnMain([] {}); });
    while (loop.pendingTaskCount() < n) std::this_thread::yield();

    auto ran = std::make_shared<std::promise<void>>();
    auto ranFuture = ran->get_future();
    GlobalQueue::async([ran] { ran->set_value(); });
    const bool poolAnswered =
        ranFuture.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    EXPECT_EQ(loop.runUntilIdle(), n);
    EXPECT_TRUE(poolAnswered);
}

TEST_F(MainLoopTest, RunOnceWaitsForWorkFromAnotherThread) {
    std::thread poster([&] { loop.post([&] { log.push_back("late"); }); });
    bool ran = false;
    while (!ran) ran = loop.runOnce(5.0);
    poster.join();
    EXPECT_THAT(log, ElementsAre("late"));
    EXPECT_FALSE(loop.runOnce(0));
}

TEST_F(MainLoopTest, RunningTheLoopOffTheMainThreadIsRefused) {
    LogSink::Capture capture;
    loop.post([&] { log.push_back("x"); });
    std::thread([&] { EXPECT_EQ(loop.runUntilIdle(), 0u); }).join();
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(capture.contains("off the main thread"));
    loop.runUntilIdle();
    EXPECT_EQ(log.size(), 1u);
}

TEST_F(MainLoopTest, ThrowingTaskKeepsTheRestQueued) {
    loop.post([] { throw std::runtime_error("bad"); });
    loop.post([&] { log.push_back("after"); });
    EXPECT_THROW(loop.runUntilIdle(), std::runtime_error);
    loop.runUntilIdle();
    EXPECT_THAT(log, ElementsAre("after"));
}

TEST_F(MainLoopTest, QuitEndsRun) {
    loop.post([&] { loop.quit(); });
    loop.run();
    SUCCEED();
}

TEST_F(MainLoopTest, ResetInvalidatesTimersAndClaimsTheCallingThread) {
    auto t = Timer::schedule(1, true, [&] { log.push_back("t"); });
    loop.reset();
    EXPECT_FALSE(t->isValid());
    scope.advance(5);
    EXPECT_TRUE(log.empty());
}

TEST_F(MainLoopTest, PumpRunsEveryTurnWithoutCountingAsWorkAndCapsTheSleep) {
    int pumped = 0;
    bool postOnce = true;
    double limit = std::numeric_limits<double>::infinity();
    loop.setPump([&](double) {
        ++pumped;
        // What another library dispatches often posts work of ours; it runs in the same pass.
        if (std::exchange(postOnce, false)) loop.post([&] { log.push_back("posted by the pump"); });
        return limit;
    });
    EXPECT_EQ(loop.runUntilIdle(), 1u);
    EXPECT_THAT(log, ElementsAre("posted by the pump"));
    EXPECT_EQ(pumped, 2);

    // A limit of 0 means the pump wants the next turn at once: runOnce must not sleep the
    // 30 seconds it was allowed (this test would hang instead of failing quietly).
    limit = 0;
    pumped = 0;
    EXPECT_FALSE(loop.runOnce(30));
    EXPECT_EQ(pumped, 2);

    // With no limit, wake() from another thread ends the sleep, whether it comes before or
    // during it.
    limit = std::numeric_limits<double>::infinity();
    pumped = 0;
    std::thread waker([&] { loop.wake(); });
    EXPECT_FALSE(loop.runOnce(30));
    waker.join();
    EXPECT_EQ(pumped, 2);
    loop.setPump(nullptr);
}

TEST_F(MainLoopTest, PumpIsReplacedNeverNestedAndSurvivesReset) {
    int outer = 0, inner = 0;
    loop.setPump([&](double) {
        ++outer;
        // Turning the loop from inside the pump must not run the pump again.
        loop.runUntilIdle();
        return 0.0;
    });
    loop.runUntilIdle();
    EXPECT_EQ(outer, 1);

    loop.reset();
    loop.runUntilIdle();
    EXPECT_EQ(outer, 2);

    auto previous = loop.setPump([&](double) { return static_cast<double>(++inner); });
    ASSERT_TRUE(previous);
    loop.runUntilIdle();
    EXPECT_EQ(outer, 2);
    EXPECT_EQ(inner, 1);
    EXPECT_TRUE(loop.setPump(nullptr));
    loop.runUntilIdle();
    EXPECT_EQ(inner, 1);
    EXPECT_FALSE(loop.setPump(nullptr));
}

// Another library whose work never ends (each dispatch posts work of ours and finds more ready,
// as a page that floods the engine's messages makes it): a frame gives it its share and one
// dispatch, in every way the loop is turned, and the rest waits for the next frame.
TEST_F(MainLoopTest, PumpWorkThatNeverStopsLeavesEachFrameWithinItsShare) {
    constexpr double kShare = 0.008, kDispatch = 0.003;
    double work = 0;  // the pump's clock: each dispatch takes kDispatch of it
    loop.setPumpShare(kShare, [&] { return work; });
    std::vector<double> handed;
    int ours = 0;
    loop.setPump([&](double seconds) {
        handed.push_back(seconds);
        work += kDispatch;
        loop.post([&] { ++ours; });
        return 0.0;
    });
    auto spent = [&](auto turn) {
        handed.clear();
        const double before = work;
        turn();
        return work - before;
    };

    // The loop runs what the pump posted, and stops pumping once the share is spent; what
    // each dispatch was handed is what was left of it.
    EXPECT_LE(spent([&] { loop.runUntilIdle(); }), kShare + kDispatch);
    EXPECT_THAT(handed, ElementsAre(DoubleEq(kShare), DoubleEq(kShare - kDispatch),
                                    DoubleEq(kShare - 2 * kDispatch)));
    EXPECT_EQ(ours, 3);
    // The next frame carries on where it stopped.
    EXPECT_NEAR(spent([&] { loop.runUntilIdle(); }), 3 * kDispatch, 1e-9);

    // A step of the manual clock with a timer every millisecond turns the loop 17 times: one
    // share for all of them.
    auto tick = Timer::schedule(0.001, true, [] {});
    EXPECT_LE(spent([&] { scope.advance(1.0 / 60); }), kShare + kDispatch);
    EXPECT_EQ(handed.size(), 3u);
    tick->invalidate();

    // One turn of the frame loop hands the pump the whole share once, and does not sleep.
    bool ran = false;
    EXPECT_LE(spent([&] { ran = loop.runOnce(30); }), kDispatch);
    EXPECT_TRUE(ran);
    EXPECT_THAT(handed, ElementsAre(DoubleEq(kShare)));

    // A share spent to the last microsecond still lets each frame dispatch once.
    loop.setPumpShare(0, [&] { return work; });
    EXPECT_NEAR(spent([&] { loop.runUntilIdle(); }), kDispatch, 1e-9);
    loop.setPump(nullptr);
    loop.setPumpShare(MainLoop::kPumpShareSeconds);
}

namespace {

// A host event queue as the window's loop has one: sleep() records how long it was allowed and
// returns at once; interrupts are counted, and `during` runs as if while asleep.
struct FakeSleeper {
    std::vector<double> sleeps;
    std::atomic<int> interrupts{0};
    std::function<void()> during;

    MainLoop::Sleeper sleeper() {
        return {[this](double s) {
                    sleeps.push_back(s);
                    if (during) std::exchange(during, {})();
                },
                [this] { ++interrupts; }};
    }
};

}  // namespace

TEST_F(MainLoopTest, ASleeperTakesTheWaitAndWorkFromAnyThreadInterruptsIt) {
    FakeSleeper host;
    loop.setSleeper(host.sleeper());
    const auto sleepsBefore = loop.sleepCount();

    // Nothing to do: the loop sleeps in the host, as long as it was allowed.
    EXPECT_FALSE(loop.runOnce(2.5));
    EXPECT_THAT(host.sleeps, ElementsAre(2.5));
    EXPECT_EQ(loop.sleepCount(), sleepsBefore + 1);
    EXPECT_EQ(host.interrupts, 0);

    // Work posted by another thread while the loop sleeps interrupts the host once and runs.
    host.during = [&] {
        std::thread poster([&] {
            loop.post([&] { log.push_back("from a thread"); });
            loop.post([&] { log.push_back("and again"); });
        });
        poster.join();
    };
    EXPECT_TRUE(loop.runOnce(30));
    EXPECT_THAT(log, ElementsAre("from a thread", "and again"));
    EXPECT_EQ(host.interrupts, 1);

    // wake() and a timer added from another thread interrupt a sleep too.
    host.during = [&] { std::thread([&] { loop.wake(); }).join(); };
    EXPECT_FALSE(loop.runOnce(30));
    EXPECT_EQ(host.interrupts, 2);
    host.during = [&] { std::thread([&] { loop.postAfter(5, [] {}); }).join(); };
    EXPECT_FALSE(loop.runOnce(30));
    EXPECT_EQ(host.interrupts, 3);

    // Work posted while the loop is awake reaches it without waking the host: no stray event.
    loop.post([] {});
    EXPECT_TRUE(loop.runOnce(30));
    EXPECT_EQ(host.interrupts, 3);
    const auto slept = host.sleeps.size();
    EXPECT_FALSE(loop.runOnce(0)) << "a zero wait never sleeps";
    EXPECT_EQ(host.sleeps.size(), slept);

    loop.setSleeper({});
    std::thread([&] { loop.post([] {}); }).join();
    EXPECT_TRUE(loop.runOnce(30));
    EXPECT_EQ(host.interrupts, 3) << "a removed sleeper is never called";
}

TEST(MainLoopSleeper, OnTheRealClockASleepEndsWhenTheNextTimerIsDue) {
    MainLoop& loop = MainLoop::main();
    loop.reset();
    FakeSleeper host;
    loop.setSleeper(host.sleeper());
    auto timer = loop.postAfter(5, [] {});
    EXPECT_FALSE(loop.runOnce(30));
    ASSERT_EQ(host.sleeps.size(), 1u);
    EXPECT_LE(host.sleeps[0], 5.0);
    EXPECT_GT(host.sleeps[0], 0.0);
    timer->invalidate();
    loop.setSleeper({});
    loop.reset();
}
