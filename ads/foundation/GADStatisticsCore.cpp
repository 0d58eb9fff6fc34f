#include "ads/foundation/GADStatisticsCore.h"

#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/WeakCall.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/Application.h"

namespace ads {

using platform::Value;

std::shared_ptr<GADStatisticsCore> GADStatisticsCore::create(platform::UserDefaults* defaults) {
    auto core = std::make_shared<GADStatisticsCore>(Private{}, defaults);
    core->willTerminate_ = platform::NotificationCenter::defaultCenter().observe(
        platform::ui::kWillTerminateNotification, nullptr,
        platform::weakCall(
            core->weak_from_this(),
            [](GADStatisticsCore& self, const platform::Notification&) { self.waitForSaves(); }));
    return core;
}

GADStatisticsCore::GADStatisticsCore(Private, platform::UserDefaults* defaults)
    : defaults_(defaults ? defaults : &platform::UserDefaults::standard()),
      queue_(std::make_shared<platform::SerialQueue>("com.zivivu.durez.statistics")),
      state_(std::make_shared<State>()) {}

GADStatisticsCore::~GADStatisticsCore() {
    willTerminate_.reset();
    // Queued saves write into defaults the owner keeps only as long as this object.
    waitForSaves();
}

void GADStatisticsCore::setIdentifier(const std::string& identifier) {
    std::optional<std::string> key;
    if (!identifier.empty()) key = "zivivu_stats_" + identifier;
    queue_->async([state = state_, defaults = defaults_, key = std::move(key)] {
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
    queue_->sync([&] {
        auto it = state_->lists.find(key);
        if (it != state_->lists.end()) found = it->second;
    });
    return found;
}

void GADStatisticsCore::appendStringToArrayForKey(std::string text, std::string key) {
    queue_->async(
        [state = state_, defaults = defaults_, text = std::move(text), key = std::move(key)] {
            state->lists[key].push_back(text);
            save(*defaults, *state);
        });
}

void GADStatisticsCore::removeObjectForKey(std::string key) {
    queue_->async([state = state_, defaults = defaults_, key = std::move(key)] {
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
    queue_->sync([] {});
}

}  // namespace ads
