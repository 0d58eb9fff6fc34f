#include "platform/runtime/SerialQueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/base/LogSink.h"
#include "platform/runtime/GlobalQueue.h"
#include "platform/runtime/MainLoop.h"

namespace platform {

namespace {

// Queues whose work the calling thread is running, innermost last (a sync from one queue's
// work into another nests).
thread_local std::vector<const void*> runningQueues;

struct RunningScope {
    explicit RunningScope(const void* q) { runningQueues.push_back(q); }
    ~RunningScope() { runningQueues.pop_back(); }
};

bool isRunning(const void* q) {
    for (const void* r : runningQueues) {
        if (r == q) return true;
    }
    return false;
}

}  // namespace

struct SerialQueue::State : std::enable_shared_from_this<SerialQueue::State> {
    // A sync caller waiting for its turn; the drainer hands the queue over to it.
    struct Turn {
        std::mutex mutex;
        std::condition_variable cv;
        bool granted = false;
    };
    struct Item {
        Task task;
        std::shared_ptr<Turn> turn;
    };

    explicit State(std::string l) : label(std::move(l)) {}

    std::string label;
    std::mutex mutex;
    std::deque<Item> items;
    // True while some thread owns the queue (draining, or running a sync task).
    bool busy = false;

    // Called with the lock held and busy == false: takes ownership if there is work.
    void scheduleLocked() {
        if (busy || items.empty()) return;
        if (items.front().turn) {
            grantLocked();
            return;
        }
        busy = true;
        GlobalQueue::async([self = shared_from_this()] { self->drain(); });
    }

    void grantLocked() {
        std::shared_ptr<Turn> turn = std::move(items.front().turn);
        items.pop_front();
        busy = true;
        {
            std::lock_guard lock(turn->mutex);
            turn->granted = true;
        }
        turn->cv.notify_one();
    }

    void release() {
        std::lock_guard lock(mutex);
        busy = false;
        scheduleLocked();
    }

    void drain() {
        RunningScope running(this);
        for (;;) {
            Task task;
            {
                std::lock_guard lock(mutex);
                if (items.empty()) {
                    busy = false;
                    return;
                }
                if (items.front().turn) {
                    // Ownership passes to the waiting sync caller; it releases when done.
                    grantLocked();
                    return;
                }
                task = std::move(items.front().task);
                items.pop_front();
            }
            try {
                task();
            } catch (const std::exception& e) {
                LogSink::writef("SerialQueue %s: task threw: %s", label.c_str(), e.what());
            } catch (...) {
                LogSink::writef("SerialQueue %s: task threw", label.c_str());
            }
        }
    }
};

SerialQueue::SerialQueue(std::string label) : state_(std::make_shared<State>(std::move(label))) {}

SerialQueue::~SerialQueue() = default;

const std::string& SerialQueue::label() const {
    return state_->label;
}

void SerialQueue::async(Task task) {
    if (!task) return;
    std::lock_guard lock(state_->mutex);
    state_->items.push_back({std::move(task), nullptr});
    state_->scheduleLocked();
}

bool SerialQueue::sync(Task task) {
    // Our own reference: once the task has run, another thread may destroy this queue object
    // while we are still handing the queue on.
    std::shared_ptr<State> state = state_;
    if (isRunning(state.get())) {
        LogSink::writef("SerialQueue %s: sync called from the queue itself; refused",
                        state->label.c_str());
        return false;
    }
    auto turn = std::make_shared<State::Turn>();
    bool mustWait = false;
    {
        std::lock_guard lock(state->mutex);
        if (!state->busy && state->items.empty()) {
            state->busy = true;
        } else {
            state->items.push_back({nullptr, turn});
            mustWait = true;
        }
    }
    if (mustWait) {
        GlobalQueue::BlockingScope blocking;
        std::unique_lock lock(turn->mutex);
        turn->cv.wait(lock, [&] { return turn->granted; });
    }
    struct Release {
        State* s;
        ~Release() { s->release(); }
    } release{state.get()};
    RunningScope running(state.get());
    if (task) task();
    return true;
}

void SerialQueue::asyncAfter(double seconds, Task task) {
    if (!task) return;
    // The delayed task keeps the queue's state alive, as queued work does.
    MainLoop::main().postAfter(seconds, [state = state_, task = std::move(task)] {
        std::lock_guard lock(state->mutex);
        state->items.push_back({task, nullptr});
        state->scheduleLocked();
    });
}

bool SerialQueue::isCurrent() const {
    return isRunning(state_.get());
}

std::string SerialQueue::currentLabel() {
    if (runningQueues.empty()) return {};
    return static_cast<const State*>(runningQueues.back())->label;
}

}  // namespace platform
