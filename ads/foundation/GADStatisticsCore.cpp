#include "ads/foundation/GADStatisticsCore.h"

#include "platform/base/Value.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

using platform::Value;

std::shared_ptr<GADStatisticsCore> GADStatisticsCore::create(platform::UserDefaults* defaults) {
    return std::make_shared<GADStatisticsCore>(Private{}, defaults);
}

GADStatisticsCore::GADStatisticsCore(Private, platform::UserDefaults* defaults)
    : store_("com.zivivu.durez.statistics", defaults) {}

GADStatisticsCore::~GADStatisticsCore() {
    // The store, going after this, waits for the save.
    savePersistentStatistics();
}

void GADStatisticsCore::setIdentifier(const std::string& identifier) {
    std::optional<std::string> key;
    if (!identifier.empty()) key = "zivivu_stats_" + identifier;
    if (key == key_) return;
    key_ = key;
    if (!key_) return;
    // Lists recorded before the identifier came are stored with what it brings.
    if (!lists_.empty()) changed_ = true;
    auto stored = store_.defaults().dictionaryForKey(*key_);
    if (!stored) return;
    // Our own file, but a file: only lists of texts are taken.
    for (const auto& [name, list] : *stored) {
        if (!list.isArray()) continue;
        std::vector<std::string> texts;
        for (const Value& item : list.asArray()) {
            if (item.isString()) texts.push_back(item.stringRef());
        }
        lists_[name] = std::move(texts);
    }
}

std::optional<std::vector<std::string>> GADStatisticsCore::arrayForKey(
    const std::string& key) const {
    auto it = lists_.find(key);
    if (it == lists_.end()) return std::nullopt;
    return it->second;
}

void GADStatisticsCore::appendStringToArrayForKey(std::string text, std::string key) {
    lists_[std::move(key)].push_back(std::move(text));
    changed_ = true;
}

void GADStatisticsCore::removeObjectForKey(const std::string& key) {
    if (lists_.erase(key) > 0) changed_ = true;
}

void GADStatisticsCore::savePersistentStatistics() {
    if (!changed_ || !key_) return;
    changed_ = false;
    // The copy is taken now: the save writes the lists as they were at the call.
    Value::Dictionary stored;
    for (const auto& [name, texts] : lists_) {
        Value::Array list;
        list.reserve(texts.size());
        for (const auto& text : texts) list.emplace_back(text);
        stored[name] = Value(std::move(list));
    }
    ++savesQueued_;
    store_.save(*key_, Value(std::move(stored)));
}

void GADStatisticsCore::waitForSaves() {
    store_.waitForSaves();
}

}  // namespace ads
