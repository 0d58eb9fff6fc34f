#pragma once

// One measurement of a performance report: a name, a start and a length (-1 until it ends),
// in seconds of the monotonic clock. While it is open, the application resigning active
// spoils it for good (its start becomes -1): time spent away says nothing about the SDK.
//
// Thread-safe: recorders change it on their queues while the resign notification comes on the
// main thread, so start and length are atomics. It observes the notification from creation to
// destruction.

#include <atomic>
#include <memory>
#include <string>

#include "platform/runtime/NotificationCenter.h"

namespace ads {

class GADCSIVariableTiming : public std::enable_shared_from_this<GADCSIVariableTiming> {
  public:
    // Nothing for an empty name.
    static std::shared_ptr<GADCSIVariableTiming> create(std::string name, double startTime);
    // An ended measurement (the page's ticks give both at once).
    static std::shared_ptr<GADCSIVariableTiming> create(std::string name, double startTime,
                                                        double length);
    GADCSIVariableTiming(const GADCSIVariableTiming&) = delete;
    GADCSIVariableTiming& operator=(const GADCSIVariableTiming&) = delete;

    const std::string& name() const { return name_; }
    double start() const { return start_.load(); }
    void setStart(double start) { start_.store(start); }
    double length() const { return length_.load(); }
    void setLength(double length) { length_.store(length); }
    // Started after the clock's origin and lasted a while.
    bool isValid() const { return start() > 0 && length() > 0; }

  private:
    struct Private {};

  public:
    GADCSIVariableTiming(Private, std::string name, double startTime, double length);

  private:
    void observeResignActive();

    const std::string name_;
    std::atomic<double> start_;
    std::atomic<double> length_;
    platform::NotificationCenter::Observation resignActive_;
};

}  // namespace ads
