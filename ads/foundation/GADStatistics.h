#pragma once

// Stored lists and timings side by side: the lists in a GADStatisticsCore, the timings in a
// GADTimingManager, both kept between launches. Used from one thread at a time (its owner's),
// like the timing manager.

#include <memory>
#include <string>

namespace platform {
class UserDefaults;
}

namespace ads {

class GADStatisticsCore;
class GADTiming;
class GADTimingManager;

class GADStatistics {
  public:
    // Stores in the given user defaults (the standard ones when none), which must outlive it.
    explicit GADStatistics(platform::UserDefaults* defaults = nullptr);
    virtual ~GADStatistics();
    GADStatistics(const GADStatistics&) = delete;
    GADStatistics& operator=(const GADStatistics&) = delete;

    std::shared_ptr<GADTiming> timingNamed(const std::string& name) const;
    // A new timing of that name replaces any old one (and the manager saves), then starts.
    void startTimingNamed(const std::string& name, bool explicitEnd);
    // Nothing when there is no such timing.
    void endTimingNamed(const std::string& name);

  protected:
    std::shared_ptr<GADStatisticsCore> statistics_;
    std::shared_ptr<GADTimingManager> timingManager_;
};

}  // namespace ads
