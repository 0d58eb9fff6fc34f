#pragma once

// A small dictionary of text lists kept between launches in the user defaults under
// "zivivu_stats_" + identifier. What the previous launch stored joins the lists as soon as the
// identifier is known.
//
// Thread-safe: the lists live on a serial queue ("com.zivivu.durez.statistics"); changes are
// asynchronous and saved after each, reads synchronous. When the application terminates, the
// queue's work - saves included - is waited for.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADQueuedStore.h"
#include "platform/base/Value.h"

namespace ads {

class GADStatisticsCore {
  public:
    // Stores in the given user defaults (the standard ones when none), which must outlive it.
    static std::shared_ptr<GADStatisticsCore> create(platform::UserDefaults* defaults = nullptr);
    GADStatisticsCore(const GADStatisticsCore&) = delete;
    GADStatisticsCore& operator=(const GADStatisticsCore&) = delete;

    // An empty identifier stores nothing. A new identifier merges what is stored under it into
    // the lists (stored lists replace lists of the same key).
    void setIdentifier(const std::string& identifier);

    std::optional<std::vector<std::string>> arrayForKey(const std::string& key) const;
    void appendStringToArrayForKey(std::string text, std::string key);
    void removeObjectForKey(std::string key);

    // Waits until every change queued so far is done and saved.
    void waitForSaves();

  private:
    struct Private {};

  public:
    GADStatisticsCore(Private, platform::UserDefaults* defaults);

  private:
    struct State {
        std::map<std::string, std::vector<std::string>> lists;
        std::optional<std::string> key;
    };

    // On the queue.
    static void save(platform::UserDefaults& defaults, const State& state);

    // Declared first so that it goes last: its end waits for queued work that reads the state.
    GADQueuedStore store_;
    std::shared_ptr<State> state_;
};

}  // namespace ads
