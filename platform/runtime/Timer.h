#pragma once

// A timer on the main loop. The loop keeps a scheduled timer alive until it is invalidated
// (or a one-shot timer has fired), so dropping the handle does not stop it. A repeating timer
// that fell behind fires once and skips the firings it missed.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

class MainLoop;

class Timer : public std::enable_shared_from_this<Timer> {
  public:
    using Callback = std::function<void(Timer&)>;

    // Shortest interval a timer accepts; anything smaller (zero, negative, NaN) is raised to
    // it so a repeating timer can never spin the loop.
    static constexpr double kMinimumInterval = 0.0001;
    // Longer than this (about 30000 years, or infinity) means never: the timer is answered
    // already invalid instead of holding its callback forever.
    static constexpr double kNeverInterval = 1e12;

    // Schedules on the main loop; the first firing is one interval from now. Tolerance is how
    // late the timer may fire when that lets the loop wake less often.
    static std::shared_ptr<Timer> schedule(double interval, bool repeats, double tolerance,
                                           Callback fn);
    static std::shared_ptr<Timer> schedule(double interval, bool repeats, double tolerance,
                                           std::function<void()> fn);
    static std::shared_ptr<Timer> schedule(double interval, bool repeats,
                                           std::function<void()> fn) {
        return schedule(interval, repeats, 0.0, std::move(fn));
    }

    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Stops the timer for good and releases its callback (at once, or right after the
    // callback returns when called from inside it). Safe from any thread and from inside the
    // timer's own callback; repeated calls do nothing.
    void invalidate();
    bool isValid() const { return valid_.load(); }

    double interval() const { return interval_; }
    bool repeats() const { return repeats_; }
    double tolerance() const { return tolerance_; }
    // Monotonic time of the next firing (meaningless once invalid).
    double fireDate() const;
    // Moves the next firing; ignored on an invalid timer.
    void setFireDate(double monotonicTime);
    // Fires now, outside the schedule: a one-shot timer is then invalid, a repeating timer
    // keeps its schedule.
    void fire();

  private:
    friend class MainLoop;
    Timer(MainLoop* loop, double interval, bool repeats, double tolerance, Callback fn);

    MainLoop* loop_;
    const double interval_;
    const bool repeats_;
    const double tolerance_;
    std::atomic<bool> valid_{true};

    // Guarded by the loop's mutex.
    double fireDate_ = 0;
    std::uint64_t sequence_ = 0;
    bool queued_ = false;

    std::mutex callbackMutex_;
    std::shared_ptr<Callback> callback_;
};

}  // namespace platform
