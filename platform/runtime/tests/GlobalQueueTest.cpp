#include "platform/runtime/GlobalQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "platform/base/LogSink.h"

using namespace platform;

TEST(GlobalQueue, AThrowingTaskIsLoggedAndTheWorkersCarryOn) {
    LogSink::Capture capture;
    std::atomic<int> ran{0};
    GlobalQueue::async([] { throw std::runtime_error("pool fault"); });
    for (int i = 0; i < 100; ++i) GlobalQueue::async([&] { ++ran; });
    while (ran.load() < 100 || !capture.contains("pool fault")) std::this_thread::yield();
    EXPECT_EQ(ran.load(), 100);
    EXPECT_GE(GlobalQueue::shared().threadCount(), 1u);
    EXPECT_LE(GlobalQueue::shared().threadCount(), GlobalQueue::kMaxThreads);
}
