#include "platform/runtime/SerialQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/base/LogSink.h"
#include "platform/runtime/GlobalQueue.h"
#include "platform/runtime/MainLoopTestScope.h"

using namespace platform;

TEST(SerialQueue, RunsAsyncWorkOneAtATimeInOrder) {
    SerialQueue queue("com.example.order");
    EXPECT_EQ(queue.label(), "com.example.order");
    std::vector<int> order;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    for (int i = 0; i < 500; ++i) {
        queue.async([&, i] {
            if (inside.fetch_add(1) != 0) overlapped = true;
            order.push_back(i);
            inside.fetch_sub(1);
        });
    }
    // sync waits for everything queued before it.
    EXPECT_TRUE(queue.sync([&] { order.push_back(-1); }));
    ASSERT_EQ(order.size(), 501u);
    for (int i = 0; i < 500; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(order.back(), -1);
    EXPECT_FALSE(overlapped);
}

TEST(SerialQueue, SyncFromManyThreadsInterleavesWithAsyncSafely) {
    SerialQueue queue("com.example.counter");
    int counter = 0;  // guarded by the queue alone
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                if (i % 2) {
                    queue.async([&] { ++counter; });
                } else {
                    queue.sync([&] { ++counter; });
                }
            }
        });
    }
    for (auto& th : threads) th.join();
    int seen = 0;
    queue.sync([&] { seen = counter; });
    EXPECT_EQ(seen, 800);
}

TEST(SerialQueue, SyncOntoTheCurrentQueueIsRefusedNotDeadlocked) {
    LogSink::Capture capture;
    SerialQueue a("com.example.a");
    SerialQueue b("com.example.b");
    std::atomic<int> answers{0};
    bool innerRan = false;
    bool nestedRefused = false;
    a.async([&] {
        EXPECT_TRUE(a.isCurrent());
        EXPECT_EQ(SerialQueue::currentLabel(), "com.example.a");
        if (!a.sync([&] { innerRan = true; })) answers++;
        // a -> b -> a is the same deadlock one step removed.
        b.sync([&] {
            EXPECT_TRUE(b.isCurrent());
            EXPECT_EQ(SerialQueue::currentLabel(), "com.example.b");
            nestedRefused = !a.sync([] {});
        });
    });
    a.sync([] {});
    EXPECT_EQ(answers.load(), 1);
    EXPECT_FALSE(innerRan);
    EXPECT_TRUE(nestedRefused);
    EXPECT_FALSE(a.isCurrent());
    EXPECT_EQ(SerialQueue::currentLabel(), "");
    EXPECT_TRUE(capture.contains("com.example.a: sync called from the queue itself"));
}

TEST(SerialQueue, SyncRethrowsAndTheQueueCarriesOn) {
    SerialQueue queue("com.example.throw");
    EXPECT_THROW(queue.sync([] { throw std::runtime_error("x"); }), std::runtime_error);
    LogSink::Capture capture;
    queue.async([] { throw std::runtime_error("async fault"); });
    bool ran = false;
    EXPECT_TRUE(queue.sync([&] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_TRUE(capture.contains("async fault"));
}

TEST(SerialQueue, QueuedWorkOutlivesTheQueueObject) {
    // The last task of the dead queue may still be returning from its call on the second
    // queue when the test sees that call's work done: everything the tasks touch is shared,
    // so nothing of the test's frame is used by a thread still running.
    auto ran = std::make_shared<std::atomic<int>>(0);
    auto lastRan = std::make_shared<std::atomic<bool>>(false);
    auto after = std::make_shared<SerialQueue>("com.example.after");
    {
        SerialQueue queue("com.example.short");
        for (int i = 0; i < 10; ++i) queue.async([ran] { ++*ran; });
        queue.async([after, lastRan] { after->async([lastRan] { *lastRan = true; }); });
    }
    // Work the dead queue dropped would never come: the wait has an end, so the test fails
    // rather than hangs.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!lastRan->load() && std::chrono::steady_clock::now() < giveUp) after->sync([] {});
    ASSERT_TRUE(lastRan->load());
    EXPECT_EQ(ran->load(), 10);
}

TEST(SerialQueue, BlockedSyncCallersDoNotStarveThePool) {
    // More queues blocked in sync than the pool has base threads: each waits for work that
    // needs a pool thread of its own.
    const int n = static_cast<int>(std::max(4u, std::thread::hardware_concurrency()) * 2);
    std::vector<std::unique_ptr<SerialQueue>> targets;
    for (int i = 0; i < n; ++i) {
        targets.push_back(std::make_unique<SerialQueue>("com.example.t" + std::to_string(i)));
    }
    std::atomic<int> done{0};
    SerialQueue collector("com.example.collector");
    for (int i = 0; i < n; ++i) {
        SerialQueue* target = targets[static_cast<std::size_t>(i)].get();
        GlobalQueue::async([&, target] {
            target->async([] {});
            target->sync([&] { ++done; });
        });
    }
    while (done.load() < n) collector.sync([] {});
    EXPECT_EQ(done.load(), n);
}

TEST(SerialQueue, AsyncAfterFollowsTheMainLoopClock) {
    MainLoopTestScope scope;
    SerialQueue queue("com.example.later");
    std::atomic<bool> ran{false};
    queue.asyncAfter(2.0, [&] { ran = true; });
    scope.advance(1.9);
    queue.sync([] {});
    EXPECT_FALSE(ran.load());
    scope.advance(0.1);
    queue.sync([] {});
    EXPECT_TRUE(ran.load());
}

TEST(SerialQueue, DestroyingTheQueueAsSoonAsASyncTaskRanIsSafe) {
    for (int i = 0; i < 200; ++i) {
        auto queue = std::make_unique<SerialQueue>("com.example.brief");
        std::atomic<bool> ran{false};
        SerialQueue* q = queue.get();
        std::thread caller([q, &ran] {
            q->async([] {});  // so that sync has to wait for its turn
            q->sync([&ran] { ran = true; });
        });
        while (!ran.load()) std::this_thread::yield();
        queue.reset();
        caller.join();
    }
    SUCCEED();
}
