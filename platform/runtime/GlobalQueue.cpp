#include "platform/runtime/GlobalQueue.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/base/LogSink.h"

namespace platform {

namespace {
thread_local bool onPoolThread = false;
}

struct GlobalQueue::State {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<Task> tasks;
    std::size_t threads = 0;
    std::size_t idle = 0;
    std::size_t blocked = 0;

    // Under the mutex: answers whether a new worker is needed for the queued work.
    bool needsWorkerLocked() const {
        const std::size_t target = std::max<std::size_t>(2, std::thread::hardware_concurrency());
        return idle < tasks.size() && threads - blocked < target && threads < kMaxThreads;
    }

    void spawnLocked() {
        ++threads;
        std::thread([this] { work(); }).detach();
    }

    void work() {
        onPoolThread = true;
        std::unique_lock lock(mutex);
        for (;;) {
            ++idle;
            ready.wait(lock, [this] { return !tasks.empty(); });
            --idle;
            Task task = std::move(tasks.front());
            tasks.pop_front();
            lock.unlock();
            try {
                task();
            } catch (const std::exception& e) {
                // A background task has nobody to report to; keep the worker alive.
                LogSink::writef("GlobalQueue: task threw: %s", e.what());
            } catch (...) {
                LogSink::write("GlobalQueue: task threw");
            }
            task = nullptr;  // captured state dies outside the lock
            lock.lock();
        }
    }
};

GlobalQueue::GlobalQueue() : state_(new State) {}

GlobalQueue& GlobalQueue::shared() {
    // Never destroyed: detached workers may still be running while the process exits.
    static GlobalQueue* queue = new GlobalQueue();
    return *queue;
}

void GlobalQueue::submit(Task task) {
    if (!task) return;
    {
        std::lock_guard lock(state_->mutex);
        state_->tasks.push_back(std::move(task));
        if (state_->needsWorkerLocked()) state_->spawnLocked();
    }
    state_->ready.notify_one();
}

std::size_t GlobalQueue::threadCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->threads;
}

}  // namespace platform

namespace platform {

GlobalQueue::BlockingScope::BlockingScope() : active_(onPoolThread) {
    if (!active_) return;
    State* s = GlobalQueue::shared().state_;
    std::lock_guard lock(s->mutex);
    ++s->blocked;
    if (s->needsWorkerLocked()) s->spawnLocked();
}

GlobalQueue::BlockingScope::~BlockingScope() {
    if (!active_) return;
    State* s = GlobalQueue::shared().state_;
    std::lock_guard lock(s->mutex);
    --s->blocked;
}

}  // namespace platform
