#include "ads/foundation/GADCSI.h"
#include "ads/foundation/GADCSITimeRecorder.h"
#include "ads/slot/GADSlot.h"

namespace ads {

namespace {
constexpr const char* kLoadAdAction = "load_ad_ios";
}

void GADSlot::time(Timing what, const char* variable, const std::string& key) const {
    auto csi = GADCSI::sharedInstance();
    if (what == Timing::Stamp) {
        csi->recordTimestampForLabel(variable);
        return;
    }
    auto recorder = csi->timeRecorderForAction(kLoadAdAction);
    if (!recorder) return;
    switch (what) {
        case Timing::Start:
            recorder->startTimingVariable(variable, key);
            break;
        case Timing::End:
            recorder->endTimingVariable(variable, key);
            break;
        case Timing::Cancel:
            recorder->cancelTimingVariable(variable, key);
            break;
        case Timing::Stamp:
            break;
    }
}

void GADSlot::sendTimingReport() const {
    GADCSI::sharedInstance()->sendReport();
}

}  // namespace ads
