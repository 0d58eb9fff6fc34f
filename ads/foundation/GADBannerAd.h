#pragma once

// The ad of a banner: a GADAd whose answer may also set how often the banner reloads. Main
// thread only, like GADAd.

#include <memory>

#include "ads/foundation/GADAd.h"

namespace ads {

class GADBannerAd : public GADAd {
  public:
    static std::shared_ptr<GADBannerAd> create();
    // Also reads "refresh_rate" (a number) into the reload interval, as it is.
    static std::shared_ptr<GADBannerAd> createWithDictionary(const platform::Value& dictionary);
    explicit GADBannerAd(Private key) : GADAd(key) {}
};

}  // namespace ads
