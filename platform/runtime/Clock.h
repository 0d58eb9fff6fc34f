#pragma once

// All time of the program comes from here: a monotonic clock for intervals, time-outs and
// schedules, and wall time (seconds since 1970) for dates. Tests install a manual clock and
// move time themselves, so nothing ever waits on the real clock.

#include <memory>

namespace platform {

class ClockSource {
  public:
    virtual ~ClockSource() = default;
    virtual double monotonic() const = 0;
    virtual double wallSeconds() const = 0;
    // A manual source only moves when told to; the main loop then fires timers by stepping
    // through time instead of sleeping.
    virtual bool isManual() const { return false; }
};

class ManualClock;

class Clock {
  public:
    // Seconds from an arbitrary fixed point; never goes backwards.
    static double monotonic();
    // Seconds since 1970-01-01 00:00:00 UTC.
    static double wallSeconds();

    // The source in use (the system clock unless another was installed).
    static std::shared_ptr<ClockSource> source();
    // Installs a source process-wide; nullptr restores the system clock. Answers the old one.
    static std::shared_ptr<ClockSource> install(std::shared_ptr<ClockSource> source);
    // Convenience for tests: installs and answers a fresh manual clock.
    static std::shared_ptr<ManualClock> installManual();
    // The installed manual clock, or nullptr when time is real.
    static std::shared_ptr<ManualClock> manual();
};

class SystemClock : public ClockSource {
  public:
    double monotonic() const override;
    double wallSeconds() const override;
};

}  // namespace platform
