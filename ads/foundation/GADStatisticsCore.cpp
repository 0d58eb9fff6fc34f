#include "ads/foundation/GADStatisticsCore.h"

#include "platform/runtime/SerialQueue.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

using platform::Value;

std::shared_ptr<GADStatisticsCore> GADStatisticsCore::create(platform::UserDefaults* defaults) {
    return std::make_shared<GADStatisticsCore>(Private{}, defaults);
}

GADStatisticsCore::GADStatisticsCore(Private, platform::UserDefaults* defaults)
    : store_("com.zivivu.durez.statistics", defaults), state_(std::make_shared<State>()) {}

void GADStatisticsCore::setIdentifier(const std::string& identifier) {
    std::optional<std::string> key;
    if (!identifier.empty()) key = "zivivu_stats_" + identifier;
    store_.queue().async([state = state_, defaults = &store_.defaults(), key = std::move(key)] {
        if (key == state->key) return;
        state->key = key;
        if (!key) return;
        auto stored = defaults->dictionaryForKey(*key);
        if (!stored) return;
        // Our own file, but a file: only lists of texts are taken.
        for (const auto& [name, list] : *stored) {
            if (!list.isArray()) continue;
            std::vector<std::string> texts;
            for (const Value& item : list.asArray()) {
                if (item.isString()) texts.push_back(item.stringRef());
            }
            state->lists[name] = std::move(texts);
        }
    });
}

std::optional<std::vector<std::string>> GADStatisticsCore::arrayForKey(
    const std::string& key) const {
    std::optional<std::vector<std::string>> found;
    store_.queue().sync([&] {
        auto it = state_->lists.find(key);
        if (it != state_->lists.end()) found = it->second;
    });
    return found;
}

void GADStatisticsCore::appendStringToArrayForKey(std::string text, std::string key) {
    store_.queue().async([state = state_, defaults = &store_.defaults(), text = std::move(text),
                          key = std::move(key)] {
        state->lists[key].push_back(text);
        save(*defaults, *state);
    });
}

void GADStatisticsCore::removeObjectForKey(std::string key) {
    store_.queue().async([state = state_, defaults = &store_.defaults(), key = std::move(key)] {
        state->lists.erase(key);
        save(*defaults, *state);
    });
}

void GADStatisticsCore::save(platform::UserDefaults& defaults, const State& state) {
    if (!state.key) return;
    Value::Dictionary stored;
    for (const auto& [name, texts] : state.lists) {
        Value::Array list;
        for (const auto& text : texts) list.emplace_back(text);
        stored[name] = Value(std::move(list));
    }
    defaults.setObject(*state.key, Value(std::move(stored)));
    defaults.synchronize();
}

void GADStatisticsCore::waitForSaves() {
    store_.waitForSaves();
}

}  // namespace ads
