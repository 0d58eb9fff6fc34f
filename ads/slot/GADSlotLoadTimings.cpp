#include "ads/slot/GADSlotLoadTimings.h"

#include <random>

#include "ads/foundation/GADCSI.h"
#include "ads/foundation/GADCSITimeRecorder.h"

namespace ads {

namespace {

constexpr const char* kLoadAdAction = "load_ad_ios";

std::int64_t randomIdentifier() {
    // A random id per slot keeps the timings of slots loading at once apart.
    std::random_device random;
    return static_cast<std::int64_t>(static_cast<std::uint32_t>(random()));
}

}  // namespace

GADSlotLoadTimings::GADSlotLoadTimings() : GADSlotLoadTimings(randomIdentifier(), nullptr) {}

GADSlotLoadTimings::GADSlotLoadTimings(std::int64_t identifier, std::shared_ptr<GADCSI> csi)
    : identifier_(identifier),
      csi_(std::move(csi)),
      adResponseKey_("arf_ios" + std::to_string(identifier)),
      networkLatencyKey_("nwl_ios" + std::to_string(identifier)),
      adRenderingKey_("awr_ios" + std::to_string(identifier)),
      totalTimeKey_("ttc_ios" + std::to_string(identifier)) {}

std::shared_ptr<GADCSI> GADSlotLoadTimings::csi() const {
    return csi_ ? csi_ : GADCSI::sharedInstance();
}

void GADSlotLoadTimings::requestStarted() const {
    if (auto timings = csi()->timeRecorderForAction(kLoadAdAction)) {
        timings->startTimingVariable("arf_ios", adResponseKey_);
        timings->startTimingVariable("ttc_ios", totalTimeKey_);
    }
}

void GADSlotLoadTimings::renderingStarted() const {
    if (auto timings = csi()->timeRecorderForAction(kLoadAdAction)) {
        timings->endTimingVariable("arf_ios", adResponseKey_);
        timings->endTimingVariable("nwl_ios", networkLatencyKey_);
        timings->startTimingVariable("awr_ios", adRenderingKey_);
    }
}

void GADSlotLoadTimings::loadSucceeded() const {
    if (auto timings = csi()->timeRecorderForAction(kLoadAdAction)) {
        timings->endTimingVariable("awr_ios", adRenderingKey_);
        timings->endTimingVariable("ttc_ios", totalTimeKey_);
    }
    csi()->sendReport();
}

void GADSlotLoadTimings::loadFailed() const {
    if (auto timings = csi()->timeRecorderForAction(kLoadAdAction)) {
        timings->cancelTimingVariable("awr_ios", adRenderingKey_);
        timings->cancelTimingVariable("ttc_ios", totalTimeKey_);
    }
    csi()->sendReport();
}

void GADSlotLoadTimings::recordTimestamp(const char* label) const {
    csi()->recordTimestampForLabel(label);
}

}  // namespace ads
