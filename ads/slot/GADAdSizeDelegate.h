#pragma once

#include "ads/foundation/GADAdSize.h"

namespace ads {

class GADBannerView;

// Told before the publisher's banner takes the size an ad announced (one of its valid sizes).
// Main thread.
class GADAdSizeDelegate {
  public:
    virtual ~GADAdSizeDelegate() = default;
    virtual void adViewWillChangeAdSizeTo(GADBannerView& banner, const GADAdSize& size) = 0;
};

}  // namespace ads
