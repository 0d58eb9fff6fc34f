#pragma once

// The pinger's persistent retry records, kept in the user defaults so that pings which must
// reach the server (crash reports, purchase conversions) survive a relaunch:
//
//   "/zivivu/ads/retry_group_keys": [group key, ...]
//   <group key>: {<URL text>: {"/zivivu/ads/retry_count": <retries left>}, ...}
//
// Threads store while the pinger's queue runs retry passes, and every change is a read,
// change and write of one dictionary; one mutex makes each of them whole, so no store is lost
// to a pass that read the group before it. Every change reaches the file before the call
// returns (a crash report's file is deleted once its record is stored); a call that changes
// nothing writes nothing.
//
// The stored values are untrusted (anything may have edited the file): keys that are no
// texts, groups that are no dictionaries and records that are no dictionaries are passed
// over or dropped, never trusted. Nor are the sizes: a group read with more records than its
// maximum is cut to it (the first ones in URL order stay, a log line tells how many went),
// and a record's count above the retries a new one gets is lowered to that.

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/Value.h"

namespace platform {
class UserDefaults;
}

namespace ads {

class GADRetryStore {
  public:
    using InFlight = std::function<bool(const std::string& url)>;

    static constexpr std::int64_t kUnlimited = INT64_MAX;

    struct Pass {
        // The group as it is to be stored.
        platform::Value::Dictionary group;
        // Records that get a try now (their count already lowered).
        std::vector<std::string> toPing;
        // Records dropped because the group held more than its maximum.
        std::size_t overMaximum = 0;
        bool changed = false;
    };

    // The standard user defaults unless given others (which must outlive the store).
    explicit GADRetryStore(platform::UserDefaults* defaults = nullptr);
    GADRetryStore(const GADRetryStore&) = delete;
    GADRetryStore& operator=(const GADRetryStore&) = delete;

    // Adds the group to the list of groups, and the URL to its group with `retryCount` tries,
    // unless it is there already (its count stays) or the group holds `maximumURLCount` URLs
    // (cut to that first, when it held more).
    // Nothing for an empty URL or a group key that cannot be one (empty, or the list's own).
    // Answers whether the URL is stored now.
    bool store(const std::string& url, const std::string& groupKey, std::int64_t maximumURLCount,
               std::int64_t retryCount);
    // Removes the URL's record from its group.
    void remove(const std::string& url, const std::string& groupKey);
    // One retry pass over every group (see pass()): answers (group, URL) pairs to ping.
    std::vector<std::pair<std::string, std::string>> pass(
        const InFlight& inFlight, std::int64_t maximumURLCount = kUnlimited,
        std::int64_t maximumRetryCount = kUnlimited);

    // The group keys as stored.
    std::vector<std::string> groupKeys() const;
    // The group's records, empty when there is none.
    platform::Value::Dictionary group(const std::string& groupKey) const;

    // The texts of a stored list, each once, in order.
    static std::vector<std::string> groupKeysFrom(const std::optional<platform::Value>& value);
    static bool isUsableGroupKey(const std::string& key);
    // The retries left in a record; nothing when it is no record.
    static std::optional<std::int64_t> retryCountOf(const platform::Value& record);
    // One group through a pass: only its first `maximumURLCount` records are looked at, the
    // rest dropped. A URL whose ping is in flight keeps its record; a record with a count of 1
    // or more (at most `maximumRetryCount`) is kept with one less and pinged; others (0 or
    // less, or no record at all) are dropped.
    static Pass pass(const platform::Value::Dictionary& group, const InFlight& inFlight,
                     std::int64_t maximumURLCount = kUnlimited,
                     std::int64_t maximumRetryCount = kUnlimited);
    // The group's first `maximumURLCount` records; answers how many were cut.
    static std::size_t trim(platform::Value::Dictionary& group, std::int64_t maximumURLCount);

  private:
    platform::UserDefaults& defaults() const;
    void synchronizeLocked();
    static void logTrimmed(const std::string& groupKey, std::size_t dropped,
                           std::int64_t maximumURLCount);

    platform::UserDefaults* defaults_;
    mutable std::mutex mutex_;
};

}  // namespace ads
