#include "ads/foundation/GADAdType.h"

namespace ads {

GADAdType GADAdType::bannerAdTypeForSize(const GADAdSize& size) {
    return GADAdType(false, false, size);
}

GADAdType GADAdType::interstitialAdType() {
    return GADAdType(true, false, kGADAdSizeInvalid);
}

GADAdType GADAdType::rewardBasedVideoAdType() {
    return GADAdType(false, true, kGADAdSizeInvalid);
}

void GADAdType::setAdSize(const GADAdSize& size) {
    // A full-screen kind with a banner size would compare equal to that banner while still
    // presenting full screen.
    if (interstitial_ || rewardBasedVideo_) return;
    adSize_ = size;
}

bool GADAdType::isValid() const {
    if (interstitial_) return true;
    return GADAdSizeIsValidWithError(adSize_);
}

std::size_t GADAdType::hash() const {
    return std::hash<std::string>{}(NSStringFromCGSize(adSize_.size) + " " +
                                    std::to_string(adSize_.flags));
}

std::string GADAdType::description() const {
    if (interstitial_) return "GADAdType interstitial type";
    return "GADAdType banner with size: " + NSStringFromGADAdSize(adSize_);
}

bool operator==(const GADAdType& a, const GADAdType& b) {
    if (a.interstitial_ && b.interstitial_) return true;
    return GADAdSizeEqualToSize(a.adSize_, b.adSize_);
}

}  // namespace ads
