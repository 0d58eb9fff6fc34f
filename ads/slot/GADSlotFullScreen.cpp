#include "ads/foundation/GADAd.h"
#include "ads/slot/GADSlot.h"

namespace ads {

std::shared_ptr<GADStatisticDictionary> GADSlot::currentAdStatistics() const {
    return ad_ ? ad_->statistics() : nullptr;
}

// The slot has no viewability monitor yet: the ad's screen tells it when it appears and goes,
// and these are the places a monitor starts and takes its last sample.
void GADSlot::interstitialViewWillAppear() {}

void GADSlot::interstitialViewWillDisappear() {}

void GADSlot::recordTimestamp(const char* label) const {
    timings_.recordTimestamp(label);
}

}  // namespace ads
