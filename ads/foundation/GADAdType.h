#pragma once

// The kind of ad a placement asks for: a banner of some size, an interstitial or a reward-based
// video. The two full-screen kinds carry kGADAdSizeInvalid, so any two kinds with that size
// compare equal - and they hash alike, because every kind hashes by its size.

#include <cstddef>
#include <functional>
#include <string>

#include "ads/foundation/GADAdSize.h"

namespace ads {

class GADAdType {
  public:
    static GADAdType bannerAdTypeForSize(const GADAdSize& size);
    static GADAdType interstitialAdType();
    static GADAdType rewardBasedVideoAdType();

    bool isInterstitial() const { return interstitial_; }
    bool isRewardBasedVideoAd() const { return rewardBasedVideo_; }
    const GADAdSize& adSize() const { return adSize_; }
    // Replaces a banner's size; a full-screen kind keeps kGADAdSizeInvalid.
    void setAdSize(const GADAdSize& size);

    // An interstitial always; otherwise whether its size passes GADAdSizeIsValidWithError (so
    // a reward-based video is not).
    bool isValid() const;
    std::size_t hash() const;
    // "GADAdType interstitial type" or "GADAdType banner with size: kGADAdSizeBanner"
    std::string description() const;

    friend bool operator==(const GADAdType& a, const GADAdType& b);

  private:
    GADAdType(bool interstitial, bool rewardBasedVideo, GADAdSize size)
        : rewardBasedVideo_(rewardBasedVideo), interstitial_(interstitial), adSize_(size) {}

    bool rewardBasedVideo_ = false;
    bool interstitial_ = false;
    GADAdSize adSize_;
};

}  // namespace ads

template <>
struct std::hash<ads::GADAdType> {
    std::size_t operator()(const ads::GADAdType& type) const { return type.hash(); }
};
