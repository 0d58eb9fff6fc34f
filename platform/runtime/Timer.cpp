#include "platform/runtime/Timer.h"

#include <cmath>

#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"

namespace platform {

namespace {

double sanitizeInterval(double interval, bool repeats) {
    if (repeats) return interval >= Timer::kMinimumInterval ? interval : Timer::kMinimumInterval;
    return interval > 0 ? interval : 0.0;
}

}  // namespace

Timer::Timer(MainLoop* loop, double interval, bool repeats, double tolerance, Callback fn)
    : loop_(loop),
      interval_(sanitizeInterval(interval, repeats)),
      repeats_(repeats),
      tolerance_(tolerance > 0 ? tolerance : 0.0),
      callback_(std::make_shared<Callback>(std::move(fn))) {}

Timer::~Timer() = default;

std::shared_ptr<Timer> Timer::schedule(double interval, bool repeats, double tolerance,
                                       Callback fn) {
    MainLoop& loop = MainLoop::main();
    std::shared_ptr<Timer> timer(new Timer(&loop, interval, repeats, tolerance, std::move(fn)));
    if (interval > kNeverInterval) {
        // A timer that can never fire would only hold its callback forever.
        timer->invalidate();
        return timer;
    }
    loop.addTimer(timer, Clock::monotonic() + timer->interval_);
    return timer;
}

std::shared_ptr<Timer> Timer::schedule(double interval, bool repeats, double tolerance,
                                       std::function<void()> fn) {
    return schedule(interval, repeats, tolerance, Callback([fn = std::move(fn)](Timer&) {
                        if (fn) fn();
                    }));
}

void Timer::invalidate() {
    if (!valid_.exchange(false)) return;
    // The loop may hold the last reference; keep this object alive until we are done here.
    auto keepAlive = weak_from_this().lock();
    loop_->removeTimer(this);
    std::shared_ptr<Callback> released;
    {
        std::lock_guard lock(callbackMutex_);
        released.swap(callback_);
    }
    // `released` dies here, outside every lock: a callback running right now holds its own
    // reference and is released when it returns.
}

double Timer::fireDate() const {
    return loop_->timerFireDate(this);
}

void Timer::setFireDate(double monotonicTime) {
    if (!isValid() || std::isnan(monotonicTime)) return;
    loop_->rescheduleTimer(this, monotonicTime);
}

void Timer::fire() {
    if (!isValid()) return;
    auto keepAlive = shared_from_this();
    std::shared_ptr<Callback> cb;
    {
        std::lock_guard lock(callbackMutex_);
        cb = callback_;
    }
    if (cb && *cb) (*cb)(*this);
    if (!repeats_) invalidate();
}

}  // namespace platform
