#pragma once

// A small dictionary of text lists kept between launches in the user defaults under
// "zivivu_stats_" + identifier. What the previous launch stored joins the lists as soon as the
// identifier is known.
//
// The lists are the owner's: used from one thread at a time (the slot's, the main thread), they
// change and read at once, without a lock or a queue. Only the writing to the user defaults
// runs elsewhere, on the saving queue ("com.zivivu.durez.statistics"), from a copy taken when
// the owner asks for a save: a mediation waterfall records an attempt per network and saves
// once when it is over, so neither its length nor the size of the lists ever makes the owner
// wait. What was changed and not yet saved is saved when the store goes; queued saves are
// waited for when the application terminates and when the store goes, so none is lost.

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADQueuedStore.h"

namespace ads {

class GADStatisticsCore {
  public:
    // Stores in the given user defaults (the standard ones when none), which must outlive it.
    static std::shared_ptr<GADStatisticsCore> create(platform::UserDefaults* defaults = nullptr);
    ~GADStatisticsCore();
    GADStatisticsCore(const GADStatisticsCore&) = delete;
    GADStatisticsCore& operator=(const GADStatisticsCore&) = delete;

    // An empty identifier stores nothing. A new identifier merges what is stored under it into
    // the lists (stored lists replace lists of the same key).
    void setIdentifier(const std::string& identifier);

    std::optional<std::vector<std::string>> arrayForKey(const std::string& key) const;
    void appendStringToArrayForKey(std::string text, std::string key);
    void removeObjectForKey(const std::string& key);

    // Hands the lists as they are now to the saving queue; nothing when nothing changed since
    // the last save, or without an identifier.
    void savePersistentStatistics();
    // Waits until every save queued so far is written.
    void waitForSaves();
    // How many saves were handed to the queue; the queue itself, which tests hold to show that
    // nothing but a save waits for it.
    std::size_t savesQueued() const { return savesQueued_; }
    platform::SerialQueue& savingQueue() const { return store_.queue(); }

  private:
    struct Private {};

  public:
    GADStatisticsCore(Private, platform::UserDefaults* defaults);

  private:
    GADQueuedStore store_;
    std::map<std::string, std::vector<std::string>> lists_;
    std::optional<std::string> key_;
    bool changed_ = false;
    std::size_t savesQueued_ = 0;
};

}  // namespace ads
