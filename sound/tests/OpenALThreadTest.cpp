#include "platform/base/LogSink.h"
#include "sound/OpenALThread.h"

#include <gtest/gtest.h>

#include <thread>

using namespace sound;

TEST(OpenALThread, RunsOnceAtATimeAndEndsWhenCancelled) {
    std::atomic<bool> entered{false};
    std::atomic<bool> sawCancel{false};
    OpenALThread thread(
        [&](const std::atomic<bool>& cancelled) {
            entered = true;
            while (!cancelled) std::this_thread::yield();
            sawCancel = true;
        },
        31, false);
    EXPECT_EQ(thread.DefaultPriority(), 0);  // the test thread is time-shared

    platform::LogSink::Capture log;
    ASSERT_TRUE(thread.Start());
    EXPECT_FALSE(thread.Start());
    EXPECT_TRUE(
        log.contains("OpenALThread::Start: can't start because the thread is already running"));
    thread.Cancel();
    thread.Join();
    EXPECT_TRUE(entered);
    EXPECT_TRUE(sawCancel);
    EXPECT_FALSE(thread.IsRunning());
}

TEST(OpenALThread, DestroyingAThreadCancelsAndWaitsForIt) {
    auto finished = std::make_shared<std::atomic<bool>>(false);
    {
        OpenALThread thread(
            [finished](const std::atomic<bool>& cancelled) {
                while (!cancelled) std::this_thread::yield();
                *finished = true;
            },
            31, false);
        ASSERT_TRUE(thread.Start());
    }
    EXPECT_TRUE(*finished);
}
