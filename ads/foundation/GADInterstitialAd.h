#pragma once

// The ad of an interstitial: a GADAd marked as a full-screen ad's. Main thread only, like GADAd.

#include <memory>

#include "ads/foundation/GADAd.h"

namespace ads {

class GADInterstitialAd : public GADAd {
  public:
    static std::shared_ptr<GADInterstitialAd> create();
    static std::shared_ptr<GADInterstitialAd> createWithDictionary(
        const platform::Value& dictionary);
    explicit GADInterstitialAd(Private key) : GADAd(key) {}
};

}  // namespace ads
