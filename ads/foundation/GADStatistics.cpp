#include "ads/foundation/GADStatistics.h"

#include "ads/foundation/GADStatisticsCore.h"
#include "ads/foundation/GADTiming.h"
#include "ads/foundation/GADTimingManager.h"

namespace ads {

GADStatistics::GADStatistics(platform::UserDefaults* defaults)
    : statistics_(GADStatisticsCore::create(defaults)),
      timingManager_(GADTimingManager::create(defaults)) {}

GADStatistics::~GADStatistics() = default;

std::shared_ptr<GADTiming> GADStatistics::timingNamed(const std::string& name) const {
    return timingManager_->timingForCategory(name);
}

void GADStatistics::startTimingNamed(const std::string& name, bool explicitEnd) {
    timingManager_->removeTimingForCategory(name);
    auto timing = timingManager_->addTimingWithCategory(name);
    timing->setExplicitEnd(explicitEnd);
    timing->start();
}

void GADStatistics::endTimingNamed(const std::string& name) {
    if (auto timing = timingNamed(name)) timing->end();
}

}  // namespace ads
