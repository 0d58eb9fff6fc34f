#include "ads/foundation/GADRetryStore.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <set>

#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

namespace keys = settings_keys;
using platform::Value;

GADRetryStore::GADRetryStore(platform::UserDefaults* defaults) : defaults_(defaults) {}

platform::UserDefaults& GADRetryStore::defaults() const {
    return defaults_ ? *defaults_ : platform::UserDefaults::standard();
}

void GADRetryStore::synchronizeLocked() {
    platform::Error error;
    if (!defaults().synchronize(&error)) {
        GADLog("Retry records could not be saved: %s", error.description().c_str());
    }
}

bool GADRetryStore::isUsableGroupKey(const std::string& key) {
    // A group under the list's own key would overwrite the list.
    return !key.empty() && key != keys::kRetryGroupKeys;
}

std::vector<std::string> GADRetryStore::groupKeysFrom(const std::optional<Value>& value) {
    std::vector<std::string> result;
    if (!value || !value->isArray()) return result;
    std::set<std::string> seen;
    for (const Value& item : value->asArray()) {
        if (!item.isString() || !isUsableGroupKey(item.stringRef())) continue;
        if (seen.insert(item.stringRef()).second) result.push_back(item.stringRef());
    }
    return result;
}

std::optional<std::int64_t> GADRetryStore::retryCountOf(const Value& record) {
    if (!record.isDictionary()) return std::nullopt;
    const Value* count = record.find(keys::kRetryCount);
    return count ? count->integerValue() : 0;
}

std::size_t GADRetryStore::trim(Value::Dictionary& group, std::int64_t maximumURLCount) {
    const std::size_t keep = static_cast<std::size_t>(std::max<std::int64_t>(maximumURLCount, 0));
    if (group.size() <= keep) return 0;
    const std::size_t dropped = group.size() - keep;
    group.erase(std::next(group.begin(), static_cast<std::ptrdiff_t>(keep)), group.end());
    return dropped;
}

void GADRetryStore::logTrimmed(const std::string& groupKey, std::size_t dropped,
                               std::int64_t maximumURLCount) {
    if (dropped == 0) return;
    GADLog("Retry group %s held %zu records more than its maximum of %lld; they were dropped.",
           groupKey.c_str(), dropped, static_cast<long long>(maximumURLCount));
}

GADRetryStore::Pass GADRetryStore::pass(const Value::Dictionary& group, const InFlight& inFlight,
                                        std::int64_t maximumURLCount,
                                        std::int64_t maximumRetryCount) {
    Pass result;
    const std::size_t keep = static_cast<std::size_t>(std::max<std::int64_t>(maximumURLCount, 0));
    result.overMaximum = group.size() > keep ? group.size() - keep : 0;
    result.changed = result.overMaximum != 0;
    std::size_t looked = 0;
    for (const auto& [url, record] : group) {
        if (looked++ == keep) break;
        if (inFlight && inFlight(url)) {
            result.group.emplace(url, record);
            continue;
        }
        result.changed = true;
        const std::int64_t count = std::min(retryCountOf(record).value_or(0),
                                            std::max<std::int64_t>(maximumRetryCount, 0));
        if (count < 1) continue;
        Value kept = record;
        kept.set(keys::kRetryCount, Value(count - 1));
        result.group.emplace(url, std::move(kept));
        result.toPing.push_back(url);
    }
    return result;
}

bool GADRetryStore::store(const std::string& url, const std::string& groupKey,
                          std::int64_t maximumURLCount, std::int64_t retryCount) {
    if (url.empty() || !isUsableGroupKey(groupKey)) return false;
    std::lock_guard lock(mutex_);
    auto& store = defaults();
    bool changed = false;

    auto groupKeys = groupKeysFrom(store.objectForKey(keys::kRetryGroupKeys));
    if (std::find(groupKeys.begin(), groupKeys.end(), groupKey) == groupKeys.end()) {
        groupKeys.push_back(groupKey);
        Value::Array list;
        for (auto& key : groupKeys) list.emplace_back(std::move(key));
        store.setObject(keys::kRetryGroupKeys, Value(std::move(list)));
        changed = true;
    }

    Value::Dictionary group = store.dictionaryForKey(groupKey).value_or(Value::Dictionary{});
    const std::size_t trimmed = trim(group, maximumURLCount);
    logTrimmed(groupKey, trimmed, maximumURLCount);
    bool stored = group.count(url) > 0;
    bool groupChanged = trimmed != 0;
    if (!stored && static_cast<std::int64_t>(group.size()) < maximumURLCount) {
        group.emplace(url, Value::dictionary({{keys::kRetryCount, Value(retryCount)}}));
        stored = true;
        groupChanged = true;
    }
    if (groupChanged) {
        // Refused (a text no property list can hold) means not stored.
        const bool written = store.setObject(groupKey, Value(std::move(group)));
        stored = stored && written;
        changed = changed || written;
    }
    if (changed) synchronizeLocked();
    return stored;
}

void GADRetryStore::remove(const std::string& url, const std::string& groupKey) {
    if (!isUsableGroupKey(groupKey)) return;
    std::lock_guard lock(mutex_);
    auto& store = defaults();
    auto group = store.dictionaryForKey(groupKey);
    if (!group || group->erase(url) == 0) return;
    store.setObject(groupKey, Value(std::move(*group)));
    synchronizeLocked();
}

std::vector<std::pair<std::string, std::string>> GADRetryStore::pass(
    const InFlight& inFlight, std::int64_t maximumURLCount, std::int64_t maximumRetryCount) {
    std::vector<std::pair<std::string, std::string>> due;
    std::lock_guard lock(mutex_);
    auto& store = defaults();
    bool changed = false;
    for (const std::string& key : groupKeysFrom(store.objectForKey(keys::kRetryGroupKeys))) {
        auto group = store.dictionaryForKey(key);
        if (!group) continue;
        Pass groupPass = pass(*group, inFlight, maximumURLCount, maximumRetryCount);
        logTrimmed(key, groupPass.overMaximum, maximumURLCount);
        if (!groupPass.changed) continue;
        // A group whose records are all gone stays, empty: the list of groups never shrinks.
        store.setObject(key, Value(std::move(groupPass.group)));
        changed = true;
        for (auto& url : groupPass.toPing) due.emplace_back(key, std::move(url));
    }
    if (changed) synchronizeLocked();
    return due;
}

std::vector<std::string> GADRetryStore::groupKeys() const {
    std::lock_guard lock(mutex_);
    return groupKeysFrom(defaults().objectForKey(keys::kRetryGroupKeys));
}

Value::Dictionary GADRetryStore::group(const std::string& groupKey) const {
    std::lock_guard lock(mutex_);
    return defaults().dictionaryForKey(groupKey).value_or(Value::Dictionary{});
}

}  // namespace ads
