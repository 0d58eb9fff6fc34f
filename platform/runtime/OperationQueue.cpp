#include "platform/runtime/OperationQueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/runtime/GlobalQueue.h"
#include "platform/runtime/MainLoop.h"

namespace platform {

struct OperationQueue::State : std::enable_shared_from_this<OperationQueue::State> {
    std::string name;
    bool mainLoop = false;
    mutable std::mutex mutex;
    std::condition_variable idle;
    std::deque<std::shared_ptr<Operation>> queued;
    std::vector<std::shared_ptr<Operation>> running;
    int maxConcurrent = kDefaultMaxConcurrent;
    bool suspended = false;

    std::size_t limitLocked() const {
        if (mainLoop) return 1;
        if (maxConcurrent < 1) return GlobalQueue::kMaxThreads;
        return static_cast<std::size_t>(maxConcurrent);
    }

    // Starts what may start; operations cancelled while queued are collected for finishing
    // outside the lock (their completions are foreign code).
    void pump() {
        std::vector<std::shared_ptr<Operation>> skipped;
        {
            std::lock_guard lock(mutex);
            while (!suspended && running.size() < limitLocked() && !queued.empty()) {
                auto op = std::move(queued.front());
                queued.pop_front();
                if (op->isCancelled()) {
                    skipped.push_back(std::move(op));
                    continue;
                }
                running.push_back(op);
                auto job = [self = shared_from_this(), op] { self->execute(op); };
                if (mainLoop) {
                    MainLoop::main().post(std::move(job));
                } else {
                    GlobalQueue::async(std::move(job));
                }
            }
        }
        for (auto& op : skipped) op->finishWithoutRunning();
        if (!skipped.empty()) idle.notify_all();
    }

    void execute(const std::shared_ptr<Operation>& op) {
        op->run();
        {
            std::lock_guard lock(mutex);
            std::erase(running, op);
        }
        idle.notify_all();
        pump();
    }

    bool isIdleLocked() const { return queued.empty() && running.empty(); }
};

OperationQueue::OperationQueue(std::string name) : state_(std::make_shared<State>()) {
    state_->name = std::move(name);
}

std::unique_ptr<OperationQueue> OperationQueue::onMainLoop(std::string name) {
    auto q = std::make_unique<OperationQueue>(std::move(name));
    q->state_->mainLoop = true;
    return q;
}

OperationQueue::~OperationQueue() = default;

const std::string& OperationQueue::name() const {
    return state_->name;
}

bool OperationQueue::targetsMainLoop() const {
    return state_->mainLoop;
}

void OperationQueue::addOperation(const std::shared_ptr<Operation>& op) {
    if (!op || op->enqueued_.exchange(true)) return;
    {
        std::lock_guard lock(state_->mutex);
        state_->queued.push_back(op);
    }
    state_->pump();
}

std::shared_ptr<Operation> OperationQueue::addOperation(std::function<void()> body) {
    auto op = Operation::create(std::move(body));
    addOperation(op);
    return op;
}

void OperationQueue::setMaxConcurrentOperationCount(int count) {
    {
        std::lock_guard lock(state_->mutex);
        state_->maxConcurrent = count < 1 ? kDefaultMaxConcurrent : count;
    }
    state_->pump();
}

int OperationQueue::maxConcurrentOperationCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->mainLoop ? 1 : state_->maxConcurrent;
}

void OperationQueue::setSuspended(bool suspended) {
    {
        std::lock_guard lock(state_->mutex);
        state_->suspended = suspended;
    }
    state_->pump();
}

bool OperationQueue::isSuspended() const {
    std::lock_guard lock(state_->mutex);
    return state_->suspended;
}

void OperationQueue::cancelAllOperations() {
    std::deque<std::shared_ptr<Operation>> cancelled;
    {
        std::lock_guard lock(state_->mutex);
        for (auto& op : state_->running) op->cancel();
        cancelled.swap(state_->queued);
    }
    for (auto& op : cancelled) {
        op->cancel();
        op->finishWithoutRunning();
    }
    state_->idle.notify_all();
}

void OperationQueue::waitUntilAllOperationsAreFinished() {
    if (state_->mainLoop && MainLoop::main().isMainThread()) {
        for (;;) {
            {
                std::lock_guard lock(state_->mutex);
                if (state_->isIdleLocked()) return;
            }
            MainLoop::main().runOnce(0.1);
        }
    }
    GlobalQueue::BlockingScope blocking;
    std::unique_lock lock(state_->mutex);
    state_->idle.wait(lock, [this] { return state_->isIdleLocked(); });
}

std::size_t OperationQueue::operationCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->queued.size() + state_->running.size();
}

}  // namespace platform
