#pragma once

// What the app gives the SDK's default purchase flow: it hears each paid purchase and delivers
// what was bought, then calls finishTransaction on it. It may also be asked before a purchase
// starts; a delegate that leaves shouldStartPurchaseForProductID as it is (nothing) lets every
// purchase start. Called on the main thread.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ads {

class GADDefaultInAppPurchase;

class GADDefaultInAppPurchaseDelegate {
  public:
    virtual ~GADDefaultInAppPurchaseDelegate() = default;
    virtual void userDidPayForPurchase(
        const std::shared_ptr<GADDefaultInAppPurchase>& purchase) = 0;
    // false refuses the purchase: the ad hears status 0 and the user sees that the product is
    // unavailable.
    virtual std::optional<bool> shouldStartPurchaseForProductID(const std::string& productID,
                                                                std::int64_t quantity) {
        (void)productID;
        (void)quantity;
        return std::nullopt;
    }
};

}  // namespace ads
