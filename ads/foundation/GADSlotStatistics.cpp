#include "ads/foundation/GADSlotStatistics.h"

#include "ads/foundation/GADAbsoluteTime.h"
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

GADSlotStatistics::~GADSlotStatistics() {
    savePersistentStatistics();
}

void GADSlotStatistics::startTimingAdapter() {
    // One attempt of a waterfall: stored with the lists once the waterfall is over. The timing
    // this object made for the last attempt starts again (a timing is a queue of its own, and a
    // waterfall of a hundred attempts would make a hundred); one an earlier launch stored is
    // replaced.
    auto timing = timingNamed(kAdapterTiming);
    if (!timing || timing != ownTiming_.lock()) {
        timing = GADTiming::create(kAdapterTiming);
        timing->setExplicitEnd(true);
        timingManager_->putTiming(timing);
        ownTiming_ = timing;
    }
    attemptStartedAt_ = GADAbsoluteTime::absoluteTimeInMilliseconds();
    timing->start();
    timingChanged_ = true;
}

void GADSlotStatistics::endTimingAdapterWithExitCode(GADAdapterExitCode code) {
    endTimingAdapterWithExitCode(static_cast<long>(code));
}

void GADSlotStatistics::endTimingAdapterWithExitCode(long code) {
    endTimingNamed(kAdapterTiming);
    timingChanged_ = true;
    std::string elapsed;
    if (attemptStartedAt_) {
        // Measured here rather than read back from the timing, whose queue the caller would
        // have to wait for once per attempt.
        const std::uint64_t now = GADAbsoluteTime::absoluteTimeInMilliseconds();
        elapsed = std::to_string(now >= *attemptStartedAt_ ? now - *attemptStartedAt_ : 0);
        attemptStartedAt_.reset();
    } else {
        // A timing stored by an earlier launch reports what it can.
        auto timing = timingNamed(kAdapterTiming);
        elapsed = timing ? timing->elapsedMillisecondsString() : "0";
    }
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

void GADSlotStatistics::savePersistentStatistics() {
    statistics_->savePersistentStatistics();
    if (!timingChanged_ || !timingManager_->userDefaultsKey()) return;
    timingChanged_ = false;
    ++timingSavesQueued_;
    timingManager_->savePersistentTimings();
}

void GADSlotStatistics::waitForSaves() const {
    statistics_->waitForSaves();
    timingManager_->waitForSaves();
}

std::size_t GADSlotStatistics::savesQueued() const {
    return statistics_->savesQueued() + timingSavesQueued_;
}

platform::SerialQueue& GADSlotStatistics::savingQueue() const {
    return statistics_->savingQueue();
}

}  // namespace ads
