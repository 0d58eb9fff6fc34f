#pragma once

// Timings by category, kept between launches in the user defaults under
// "zivivu_timing_" + identifier (a dictionary from category to each timing's stored form).
//
// The table is the owner's: it is used from one thread at a time and holds no lock. Only the
// writing to the user defaults runs elsewhere, on the saving queue ("com.zivivu.durez.timing"),
// from a copy taken at the call. Removals change the table alone and reach the stored copy
// with the next save. When the application terminates, and when the manager goes, queued saves
// are waited for, so none is lost.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADQueuedStore.h"

namespace ads {

class GADTiming;

class GADTimingManager {
  public:
    // Stores in the given user defaults (the standard ones when none), which must outlive the
    // manager.
    static std::shared_ptr<GADTimingManager> create(platform::UserDefaults* defaults = nullptr);
    GADTimingManager(const GADTimingManager&) = delete;
    GADTimingManager& operator=(const GADTimingManager&) = delete;

    // Names the stored copy and loads it.
    void setIdentifier(std::string identifier);
    const std::optional<std::string>& userDefaultsKey() const { return userDefaultsKey_; }

    // Every stored timing replaces the one of its name in the table; others stay.
    void loadPersistentTimings();
    // Writes the table as it is now, on the saving queue.
    void savePersistentTimings();
    // Waits until every save queued so far is written.
    void waitForSaves();

    // Replaces the timing of the same category, then saves (also when given nothing).
    void addTiming(const std::shared_ptr<GADTiming>& timing);
    // The same without the save, for an owner that saves once its changes are complete.
    void putTiming(const std::shared_ptr<GADTiming>& timing);
    std::shared_ptr<GADTiming> addTimingWithCategory(std::string category);
    std::shared_ptr<GADTiming> timingForCategory(const std::string& category) const;
    std::vector<std::shared_ptr<GADTiming>> timings() const;
    std::vector<std::string> categories() const;

    void removeTiming(const std::shared_ptr<GADTiming>& timing);
    void removeTimingForCategory(const std::string& category);
    void removeTimingsForCategories(const std::vector<std::string>& categories);
    void removeAllTimings();

  private:
    struct Private {};

  public:
    GADTimingManager(Private, platform::UserDefaults* defaults);

  private:
    GADQueuedStore store_;
    std::map<std::string, std::shared_ptr<GADTiming>> timings_;
    std::optional<std::string> identifier_;
    std::optional<std::string> userDefaultsKey_;
};

}  // namespace ads
