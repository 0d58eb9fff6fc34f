#include "ads/foundation/GADTimingManager.h"

#include "ads/foundation/GADTiming.h"
#include "platform/base/Value.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

using platform::Value;

std::shared_ptr<GADTimingManager> GADTimingManager::create(platform::UserDefaults* defaults) {
    return std::make_shared<GADTimingManager>(Private{}, defaults);
}

GADTimingManager::GADTimingManager(Private, platform::UserDefaults* defaults)
    : store_("com.zivivu.durez.timing", defaults) {}

void GADTimingManager::setIdentifier(std::string identifier) {
    userDefaultsKey_ = "zivivu_timing_" + identifier;
    identifier_ = std::move(identifier);
    loadPersistentTimings();
}

void GADTimingManager::loadPersistentTimings() {
    if (!userDefaultsKey_) return;
    auto stored = store_.defaults().dictionaryForKey(*userDefaultsKey_);
    if (!stored) return;
    for (const auto& [category, form] : *stored) {
        if (!form.isDictionary()) continue;
        timings_[category] = GADTiming::createWithDictionaryRepresentation(form);
    }
}

void GADTimingManager::savePersistentTimings() {
    if (!userDefaultsKey_) return;
    // The forms are taken now: the save writes the table as it was at the call.
    Value::Dictionary forms;
    for (const auto& [category, timing] : timings_) {
        forms[category] = timing->dictionaryRepresentation();
    }
    store_.save(*userDefaultsKey_, Value(std::move(forms)));
}

void GADTimingManager::waitForSaves() {
    store_.waitForSaves();
}

void GADTimingManager::addTiming(const std::shared_ptr<GADTiming>& timing) {
    putTiming(timing);
    savePersistentTimings();
}

void GADTimingManager::putTiming(const std::shared_ptr<GADTiming>& timing) {
    if (timing) timings_[timing->category()] = timing;
}

std::shared_ptr<GADTiming> GADTimingManager::addTimingWithCategory(std::string category) {
    auto timing = GADTiming::create(std::move(category));
    addTiming(timing);
    return timing;
}

std::shared_ptr<GADTiming> GADTimingManager::timingForCategory(const std::string& category) const {
    auto it = timings_.find(category);
    return it == timings_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<GADTiming>> GADTimingManager::timings() const {
    std::vector<std::shared_ptr<GADTiming>> all;
    for (const auto& [category, timing] : timings_) all.push_back(timing);
    return all;
}

std::vector<std::string> GADTimingManager::categories() const {
    std::vector<std::string> all;
    for (const auto& [category, timing] : timings_) all.push_back(category);
    return all;
}

void GADTimingManager::removeTiming(const std::shared_ptr<GADTiming>& timing) {
    if (timing) removeTimingForCategory(timing->category());
}

void GADTimingManager::removeTimingForCategory(const std::string& category) {
    timings_.erase(category);
}

void GADTimingManager::removeTimingsForCategories(const std::vector<std::string>& categories) {
    for (const auto& category : categories) timings_.erase(category);
}

void GADTimingManager::removeAllTimings() {
    timings_.clear();
}

}  // namespace ads
