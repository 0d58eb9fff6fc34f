#pragma once

// Purchases an ad offers reach whoever carries them out through this: the SDK's default
// purchase flow when the app switched it on, else the delegate the app gave its banner or
// interstitial (held weakly there). The slot hands each purchase over on the main thread; a
// delegate that leaves the method as it is takes no purchase, and none is made.

#include <memory>

namespace ads {

class GADInAppPurchase;

// Said, as a public message of the SDK, when an ad offers a purchase and nobody takes it.
inline constexpr const char* kGADNoInAppPurchaseDelegateMessage =
    "You must set the in-app purchase delegate. Transaction cannot be completed.";

class GADInAppPurchaseDelegate {
  public:
    virtual ~GADInAppPurchaseDelegate() = default;
    // Whoever takes the purchase reports its outcome with reportPurchaseStatus.
    virtual void didReceiveInAppPurchase(const std::shared_ptr<GADInAppPurchase>& purchase) {
        (void)purchase;
    }
};

}  // namespace ads
