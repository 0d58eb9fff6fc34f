#include "platform/runtime/OperationQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/runtime/MainLoopTestScope.h"

using namespace platform;

namespace {

// Holds operations inside their bodies until the test opens it.
class Gate {
  public:
    void pass() {
        std::unique_lock lock(mutex_);
        ++waiting_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return open_; });
        --waiting_;
    }
    void waitForWaiting(int n) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return waiting_ >= n; });
    }
    int waiting() {
        std::lock_guard lock(mutex_);
        return waiting_;
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int waiting_ = 0;
    bool open_ = false;
};

}  // namespace

TEST(OperationQueue, NeverRunsMoreThanTheLimit) {
    OperationQueue queue("limited");
    queue.setMaxConcurrentOperationCount(2);
    EXPECT_EQ(queue.maxConcurrentOperationCount(), 2);
    Gate gate;
    std::atomic<int> active{0};
    std::atomic<int> peak{0};
    std::atomic<int> finished{0};
    for (int i = 0; i < 8; ++i) {
        queue.addOperation([&] {
            int now = ++active;
            int p = peak.load();
            while (now > p && !peak.compare_exchange_weak(p, now)) {
            }
            gate.pass();
            --active;
            ++finished;
        });
    }
    gate.waitForWaiting(2);
    EXPECT_EQ(queue.operationCount(), 8u);
    EXPECT_EQ(gate.waiting(), 2);
    gate.open();
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(finished.load(), 8);
    EXPECT_EQ(peak.load(), 2);
    EXPECT_EQ(queue.operationCount(), 0u);
}

TEST(OperationQueue, SuspendHoldsBackAndResumeStarts) {
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    queue.setSuspended(true);
    std::atomic<int> ran{0};
    auto op = queue.addOperation([&] { ++ran; });
    queue.addOperation([&] { ++ran; });
    EXPECT_TRUE(queue.isSuspended());
    EXPECT_EQ(queue.operationCount(), 2u);
    EXPECT_FALSE(op->isFinished());
    queue.setSuspended(false);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ran.load(), 2);
    EXPECT_TRUE(op->isFinished());
}

TEST(OperationQueue, CancelAllSkipsQueuedAndFlagsRunning) {
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    Gate gate;
    std::atomic<bool> sawCancel{false};
    auto running = Operation::create([&](Operation& self) {
        gate.pass();
        sawCancel = self.isCancelled();
    });
    queue.addOperation(running);
    std::atomic<int> queuedRan{0};
    std::atomic<int> completions{0};
    std::vector<std::shared_ptr<Operation>> queued;
    for (int i = 0; i < 3; ++i) {
        auto op = Operation::create([&] { ++queuedRan; });
        op->setCompletion([&] { ++completions; });
        queue.addOperation(op);
        queued.push_back(op);
    }
    gate.waitForWaiting(1);
    EXPECT_TRUE(running->isExecuting());
    queue.cancelAllOperations();
    gate.open();
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(sawCancel.load());
    EXPECT_EQ(queuedRan.load(), 0);
    EXPECT_EQ(completions.load(), 3);
    for (auto& op : queued) {
        EXPECT_TRUE(op->isCancelled());
        EXPECT_TRUE(op->isFinished());
    }
}

TEST(OperationQueue, AnOperationJoinsOnlyOnceAndAThrowingOneStillFinishes) {
    OperationQueue queue;
    std::atomic<int> ran{0};
    auto op = Operation::create([&] { ++ran; });
    queue.addOperation(op);
    queue.addOperation(op);
    queue.addOperation(std::shared_ptr<Operation>());
    queue.addOperation([] { throw std::runtime_error("op fault"); });
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ran.load(), 1);
}

TEST(OperationQueue, MainLoopQueueRunsOnTheMainThreadInOrder) {
    MainLoopTestScope scope;
    auto queue = OperationQueue::onMainLoop("main");
    EXPECT_TRUE(queue->targetsMainLoop());
    queue->setMaxConcurrentOperationCount(4);
    EXPECT_EQ(queue->maxConcurrentOperationCount(), 1);
    std::vector<int> order;
    bool allOnMain = true;
    for (int i = 0; i < 5; ++i) {
        queue->addOperation([&, i] {
            allOnMain = allOnMain && scope.loop().isMainThread();
            order.push_back(i);
        });
    }
    EXPECT_TRUE(order.empty());
    scope.runUntilIdle();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(allOnMain);
    // Waiting on the main thread runs the loop instead of blocking it.
    queue->addOperation([&] { order.push_back(5); });
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(order.size(), 6u);
}
