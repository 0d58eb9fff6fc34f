#include "platform/runtime/MainLoop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>
#include <limits>
#include <utility>
#include <vector>

#include "platform/base/LogSink.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/GlobalQueue.h"
#include "platform/runtime/ManualClock.h"

namespace platform {

namespace {
constexpr double kInfinity = std::numeric_limits<double>::infinity();
}

MainLoop::MainLoop() : mainThread_(std::this_thread::get_id()) {}

MainLoop& MainLoop::main() {
    // Never destroyed: work may still be posted from other threads while the process exits.
    static MainLoop* loop = new MainLoop();
    return *loop;
}

void MainLoop::claim() {
    mainThread_.store(std::this_thread::get_id());
}

void MainLoop::reset() {
    std::deque<Task> droppedTasks;
    std::unordered_map<Timer*, std::shared_ptr<Timer>> droppedTimers;
    {
        std::lock_guard lock(mutex_);
        droppedTasks.swap(tasks_);
        droppedTimers.swap(live_);
        schedule_.clear();
        for (auto& [raw, timer] : droppedTimers) timer->queued_ = false;
        quit_ = false;
    }
    claim();
    // Invalidate outside the lock: callbacks' captured objects may post as they die.
    for (auto& [raw, timer] : droppedTimers) timer->invalidate();
    droppedTimers.clear();
    droppedTasks.clear();
}

bool MainLoop::isMainThread() const {
    return mainThread_.load() == std::this_thread::get_id();
}

bool MainLoop::checkMainThread(const char* what) const {
    if (isMainThread()) return true;
    LogSink::writef("MainLoop: %s called off the main thread; ignored", what);
    return false;
}

void MainLoop::post(Task task) {
    if (!task) return;
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    signal();
}

std::shared_ptr<Timer> MainLoop::postAfter(double seconds, Task task) {
    if (!(seconds > 0)) seconds = 0;
    std::shared_ptr<Timer> timer(
        new Timer(this, seconds, false, 0.0, [task = std::move(task)](Timer&) {
            if (task) task();
        }));
    if (seconds > Timer::kNeverInterval) {
        timer->invalidate();
        return timer;
    }
    addTimer(timer, Clock::monotonic() + seconds);
    return timer;
}

void MainLoop::runOnMain(Task task) {
    if (!task) return;
    if (isMainThread()) {
        task();
    } else {
        post(std::move(task));
    }
}

bool MainLoop::syncOnMain(Task task) {
    if (!task) return true;
    if (isMainThread()) {
        task();
        return true;
    }
    auto done = std::make_shared<std::promise<void>>();
    auto result = done->get_future();
    // Only the posted task may own the promise: if the task is dropped unrun, the waiter
    // learns so from the broken promise instead of waiting forever.
    post([done = std::move(done), task = std::move(task)] {
        try {
            task();
            done->set_value();
        } catch (...) {
            done->set_exception(std::current_exception());
        }
    });
    try {
        // A pool thread waiting here must not count against the pool: the main thread may be
        // waiting in turn for background work that needs a thread.
        GlobalQueue::BlockingScope blocking;
        result.get();
    } catch (const std::future_error& e) {
        if (e.code() == std::future_errc::broken_promise) return false;
        throw;
    }
    return true;
}

std::size_t MainLoop::runPostedBatch() {
    std::deque<Task> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(tasks_);
    }
    std::size_t ran = 0;
    while (!batch.empty()) {
        Task task = std::move(batch.front());
        batch.pop_front();
        try {
            task();
        } catch (...) {
            // Keep the rest of the batch ahead of newer work, then let the fault surface.
            std::lock_guard lock(mutex_);
            while (!batch.empty()) {
                tasks_.push_front(std::move(batch.back()));
                batch.pop_back();
            }
            throw;
        }
        ++ran;
    }
    return ran;
}

bool MainLoop::fireNextDueTimer(double now) {
    std::shared_ptr<Timer> timer;
    double scheduledFor = 0;
    {
        std::lock_guard lock(mutex_);
        if (schedule_.empty() || std::get<0>(*schedule_.begin()) > now) return false;
        Timer* raw = std::get<2>(*schedule_.begin());
        schedule_.erase(schedule_.begin());
        raw->queued_ = false;
        scheduledFor = raw->fireDate_;
        auto it = live_.find(raw);
        if (it == live_.end()) return true;
        if (raw->repeats_) {
            timer = it->second;
            // Missed firings are skipped: the next one is the first point of the schedule
            // that still lies ahead.
            double next = scheduledFor + raw->interval_;
            if (next <= now) {
                next = scheduledFor +
                       raw->interval_ * (std::floor((now - scheduledFor) / raw->interval_) + 1);
                if (next <= now) next += raw->interval_;
            }
            raw->fireDate_ = next;
            raw->sequence_ = nextSequence_++;
            raw->queued_ = true;
            schedule_.emplace(next, raw->sequence_, raw);
        } else {
            timer = std::move(it->second);
            live_.erase(it);
        }
    }
    if (timer->repeats_) {
        if (!timer->isValid()) return true;  // invalidated on another thread just now
    } else {
        // A one-shot timer is spent the moment it fires, so it reads invalid inside its own
        // callback and invalidate() there is a no-op.
        if (!timer->valid_.exchange(false)) return true;
    }
    std::shared_ptr<Timer::Callback> cb;
    {
        std::lock_guard lock(timer->callbackMutex_);
        cb = timer->callback_;
        if (!timer->repeats_) timer->callback_.reset();
    }
    if (cb && *cb) (*cb)(*timer);
    return true;
}

MainLoop::Pump MainLoop::setPump(Pump pump) {
    if (!checkMainThread("setPump")) return {};
    Pump previous = pump_ ? std::move(*pump_) : Pump{};
    pump_ = pump ? std::make_shared<Pump>(std::move(pump)) : nullptr;
    return previous;
}

void MainLoop::wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    signal();
}

void MainLoop::signal(bool all) {
    if (all)
        wake_.notify_all();
    else
        wake_.notify_one();
    std::shared_ptr<Sleeper> sleeper;
    {
        std::lock_guard lock(mutex_);
        if (!hostSleeping_) return;
        hostSleeping_ = false;
        sleeper = sleeper_;
    }
    if (sleeper && sleeper->interrupt) sleeper->interrupt();
}

void MainLoop::setSleeper(Sleeper sleeper) {
    if (!checkMainThread("setSleeper")) return;
    std::lock_guard lock(mutex_);
    sleeper_ = sleeper.sleep && sleeper.interrupt ? std::make_shared<Sleeper>(std::move(sleeper))
                                                  : nullptr;
}

std::uint64_t MainLoop::sleepCount() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
}

void MainLoop::setPumpShare(double seconds, std::function<double()> clock) {
    if (!checkMainThread("setPumpShare")) return;
    pumpShare_ = seconds > 0 ? seconds : 0;
    pumpClock_ = std::move(clock);
}

double MainLoop::pumpNow() const {
    if (pumpClock_) return pumpClock_();
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double MainLoop::runPump(double seconds) {
    if (!pump_ || pumping_) return kInfinity;
    {
        std::lock_guard lock(mutex_);
        woken_ = false;
    }
    // Held by a copy, so a pump that replaces itself finishes its own turn.
    auto pump = pump_;
    pumping_ = true;
    double limit = kInfinity;
    try {
        limit = (*pump)(std::max(0.0, seconds));
    } catch (...) {
        pumping_ = false;
        throw;
    }
    pumping_ = false;
    return std::isnan(limit) ? kInfinity : std::max(0.0, limit);
}

std::size_t MainLoop::runUntilIdle() {
    if (!checkMainThread("runUntilIdle")) return 0;
    return runUntilIdleSharing(pumpNow() + pumpShare_, true);
}

std::size_t MainLoop::runUntilIdleSharing(double pumpDeadline, bool pumpOnce) {
    // Timers are measured against the time at entry so that a short repeating timer cannot
    // keep this running forever on the real clock.
    const double now = Clock::monotonic();
    std::size_t total = 0;
    for (;;) {
        // Once at least when asked, so a frame always makes progress, then while the share
        // lasts.
        const double left = pumpDeadline - pumpNow();
        if (std::exchange(pumpOnce, false) || left > 0) runPump(left);
        std::size_t n = runPostedBatch();
        if (fireNextDueTimer(now)) ++n;
        if (n == 0) break;
        total += n;
    }
    return total;
}

bool MainLoop::runOnce(double maxWait) {
    if (!checkMainThread("runOnce")) return false;
    double pumpLimit = kInfinity;
    auto turn = [this, &pumpLimit] {
        pumpLimit = runPump(pumpShare_);
        const double now = Clock::monotonic();
        std::size_t n = runPostedBatch();
        // Each timer due now fires once; a repeating one is rescheduled past `now`.
        while (fireNextDueTimer(now)) ++n;
        return n;
    };
    if (turn() > 0) return true;
    if (maxWait > 0) {
        std::unique_lock lock(mutex_);
        double wait = std::min({maxWait, 1e6, pumpLimit});
        if (!Clock::source()->isManual() && !schedule_.empty()) {
            // Wake for the earliest timer, letting tolerant timers run late together.
            double deadline = kInfinity;
            for (const auto& key : schedule_) {
                Timer* t = std::get<2>(key);
                deadline = std::min(deadline, t->fireDate_ + t->tolerance_);
                if (std::get<0>(key) > deadline) break;
            }
            wait = std::max(0.0, std::min(wait, deadline - Clock::monotonic()));
        }
        if (wait > 0 && tasks_.empty() && !quit_ && !woken_) {
            ++sleeps_;
            const auto fellAsleep = std::chrono::steady_clock::now();
            if (auto sleeper = sleeper_) {
                // Work posted from now on interrupts the host's wait, also one not begun yet.
                hostSleeping_ = true;
                lock.unlock();
                sleeper->sleep(wait);
                lock.lock();
                hostSleeping_ = false;
            } else {
                wake_.wait_for(lock, std::chrono::duration<double>(wait),
                               [this] { return !tasks_.empty() || quit_ || woken_; });
            }
            slept_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - fellAsleep)
                          .count();
        }
        woken_ = false;
    }
    return turn() > 0;
}

std::size_t MainLoop::advance(double seconds) {
    if (!checkMainThread("advance")) return 0;
    auto clock = Clock::manual();
    if (!clock) return runUntilIdle();
    // One frame's share of the pump for the whole step, however many timers fall within it.
    const double pumpDeadline = pumpNow() + pumpShare_;
    const double target = clock->monotonic() + (seconds > 0 ? seconds : 0);
    std::size_t total = runUntilIdleSharing(pumpDeadline, true);
    for (;;) {
        double next = nextFireDate();
        if (!(next <= target)) break;
        clock->advanceTo(next);
        total += runUntilIdleSharing(pumpDeadline, false);
    }
    clock->advanceTo(target);
    total += runUntilIdleSharing(pumpDeadline, false);
    return total;
}

void MainLoop::run() {
    if (!checkMainThread("run")) return;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (quit_) {
                quit_ = false;
                return;
            }
        }
        runOnce(1.0);
    }
}

void MainLoop::quit() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    signal(true);
}

double MainLoop::nextFireDate() const {
    std::lock_guard lock(mutex_);
    return schedule_.empty() ? kInfinity : std::get<0>(*schedule_.begin());
}

std::size_t MainLoop::pendingTaskCount() const {
    std::lock_guard lock(mutex_);
    return tasks_.size();
}

std::size_t MainLoop::scheduledTimerCount() const {
    std::lock_guard lock(mutex_);
    return live_.size();
}

void MainLoop::addTimer(const std::shared_ptr<Timer>& timer, double fireDate) {
    {
        std::lock_guard lock(mutex_);
        timer->fireDate_ = fireDate;
        timer->sequence_ = nextSequence_++;
        timer->queued_ = true;
        schedule_.emplace(fireDate, timer->sequence_, timer.get());
        live_[timer.get()] = timer;
    }
    signal();
}

void MainLoop::unqueueLocked(Timer* timer) {
    if (!timer->queued_) return;
    schedule_.erase(TimerKey(timer->fireDate_, timer->sequence_, timer));
    timer->queued_ = false;
}

void MainLoop::removeTimer(Timer* timer) {
    std::shared_ptr<Timer> released;
    {
        std::lock_guard lock(mutex_);
        unqueueLocked(timer);
        auto it = live_.find(timer);
        if (it != live_.end()) {
            released = std::move(it->second);
            live_.erase(it);
        }
    }
}

void MainLoop::rescheduleTimer(Timer* timer, double fireDate) {
    {
        std::lock_guard lock(mutex_);
        if (live_.find(timer) == live_.end()) return;
        unqueueLocked(timer);
        timer->fireDate_ = fireDate;
        timer->sequence_ = nextSequence_++;
        timer->queued_ = true;
        schedule_.emplace(fireDate, timer->sequence_, timer);
    }
    signal();
}

double MainLoop::timerFireDate(const Timer* timer) const {
    std::lock_guard lock(mutex_);
    return timer->fireDate_;
}

}  // namespace platform
