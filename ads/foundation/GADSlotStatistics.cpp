#include "ads/foundation/GADSlotStatistics.h"

#include "ads/foundation/GADStatisticsCore.h"
#include "ads/foundation/GADTiming.h"
#include "ads/foundation/GADTimingManager.h"

namespace ads {

namespace {

constexpr const char* kAdapterTiming = "adapter";
constexpr const char* kAdapterDurations = "adapter_duration";
constexpr const char* kAdapterExitCodes = "adapter_exit";

std::optional<std::string> joined(const std::optional<std::vector<std::string>>& list) {
    if (!list) return std::nullopt;
    std::string text;
    for (std::size_t i = 0; i < list->size(); ++i) {
        if (i > 0) text += ',';
        text += (*list)[i];
    }
    return text;
}

}  // namespace

void GADSlotStatistics::setIdentifier(const std::string& identifier) {
    if (identifier_ == identifier) return;
    identifier_ = identifier;
    statistics_->setIdentifier(identifier);
    timingManager_->setIdentifier(identifier);
}

void GADSlotStatistics::startTimingAdapter() {
    startTimingNamed(kAdapterTiming, true);
}

void GADSlotStatistics::endTimingAdapterWithExitCode(GADAdapterExitCode code) {
    endTimingAdapterWithExitCode(static_cast<long>(code));
}

void GADSlotStatistics::endTimingAdapterWithExitCode(long code) {
    endTimingNamed(kAdapterTiming);
    auto timing = timingNamed(kAdapterTiming);
    const std::string elapsed = timing ? timing->elapsedMillisecondsString() : "0";
    statistics_->appendStringToArrayForKey(elapsed, kAdapterDurations);
    statistics_->appendStringToArrayForKey(std::to_string(code), kAdapterExitCodes);
}

void GADSlotStatistics::resetTimingAdapters() {
    statistics_->removeObjectForKey(kAdapterDurations);
    statistics_->removeObjectForKey(kAdapterExitCodes);
}

std::optional<std::string> GADSlotStatistics::adapterExitCodesParameter() const {
    return joined(statistics_->arrayForKey(kAdapterExitCodes));
}

std::optional<std::string> GADSlotStatistics::adapterDurationsParameter() const {
    return joined(statistics_->arrayForKey(kAdapterDurations));
}

void GADSlotStatistics::waitForSaves() const {
    statistics_->waitForSaves();
    timingManager_->waitForSaves();
}

}  // namespace ads
