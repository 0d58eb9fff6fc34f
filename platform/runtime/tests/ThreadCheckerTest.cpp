#include "platform/runtime/ThreadChecker.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform/runtime/GlobalQueue.h"
#include "platform/runtime/MainLoop.h"

using namespace platform;

namespace {

// Stands for a class whose header says "main thread only".
struct MainThreadThing {
    int touches = 0;
    void touch() {
        MOVU_CHECK_MAIN_THREAD();
        ++touches;
    }
};

// Runs the task on a pool thread and waits for it.
void onPoolThread(std::function<void()> task) {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    GlobalQueue::async([&] {
        task();
        std::lock_guard lock(mutex);
        finished = true;
        done.notify_one();
    });
    std::unique_lock lock(mutex);
    done.wait(lock, [&] { return finished; });
}

}  // namespace

#ifndef NDEBUG

TEST(ThreadChecker, AMainThreadMethodCalledFromAPoolThreadIsCaughtWithItsName) {
    MainLoop::main().claim();
    std::vector<std::string> violations;
    ThreadChecker::ScopedHandlerForTesting handler(
        [&](const char* function) { violations.emplace_back(function); });
    MainThreadThing thing;

    thing.touch();
    EXPECT_TRUE(violations.empty());

    onPoolThread([&] { thing.touch(); });
    ASSERT_EQ(violations.size(), 1u);
    EXPECT_EQ(violations[0], "touch");
}

TEST(ThreadCheckerDeathTest, WithoutAHandlerAViolationStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    MainLoop::main().claim();
    MainThreadThing thing;
    EXPECT_DEATH(onPoolThread([&] { thing.touch(); }), "touch is main-thread only");
}

#endif

TEST(ThreadChecker, TheMainThreadIsWhicheverThreadClaimedTheLoop) {
    MainLoop::main().claim();
    std::vector<std::string> violations;
    ThreadChecker::ScopedHandlerForTesting handler(
        [&](const char* function) { violations.emplace_back(function); });
    onPoolThread([] { EXPECT_FALSE(ThreadChecker::checkMainThread("elsewhere")); });
    EXPECT_TRUE(ThreadChecker::checkMainThread("here"));
    EXPECT_EQ(violations, std::vector<std::string>{"elsewhere"});
}
