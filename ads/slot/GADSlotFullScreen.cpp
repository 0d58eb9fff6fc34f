#include "ads/foundation/GADAd.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/GADSlotActiveView.h"

namespace ads {

std::shared_ptr<GADStatisticDictionary> GADSlot::currentAdStatistics() const {
    return ad_ ? ad_->statistics() : nullptr;
}

// The ad's screen tells the slot when it appears and goes: the measurement samples only while
// it shows.
void GADSlot::interstitialViewWillAppear() {
    if (activeView_) activeView_->interstitialViewWillAppear();
}

void GADSlot::interstitialViewWillDisappear() {
    if (activeView_) activeView_->interstitialViewWillDisappear();
}

void GADSlot::recordTimestamp(const char* label) const {
    timings_.recordTimestamp(label);
}

}  // namespace ads
