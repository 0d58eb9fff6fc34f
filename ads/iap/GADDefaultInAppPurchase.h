#pragma once

// A paid purchase as the default purchase flow hands it to the app's delegate: the product,
// the quantity, the store's transaction and the ad's purchase (GADInAppPurchase) it answers.
// The transaction stays open on the store's queue until finishTransaction, which closes it,
// reports status 1 to the ad (whose screen then closes) and lets go of both; any later call,
// from any thread, finds nothing to finish.
//
// The class calls also switch the SDK's default purchase flow on and off.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/services/PaymentTransaction.h"

namespace ads {

class GADDefaultInAppPurchaseDelegate;
class GADInAppPurchase;

class GADDefaultInAppPurchase {
    struct Private {};

  public:
    static void enableDefaultPurchaseFlowWithDelegate(
        std::shared_ptr<GADDefaultInAppPurchaseDelegate> delegate);
    static void disableDefaultPurchaseFlow();

    static std::shared_ptr<GADDefaultInAppPurchase> create(
        std::string productID, std::int64_t quantity,
        std::shared_ptr<platform::services::PaymentTransaction> transaction,
        std::shared_ptr<GADInAppPurchase> inAppPurchase);
    GADDefaultInAppPurchase(Private, std::string productID, std::int64_t quantity,
                            std::shared_ptr<platform::services::PaymentTransaction> transaction,
                            std::shared_ptr<GADInAppPurchase> inAppPurchase);

    const std::string& productID() const { return productID_; }
    std::int64_t quantity() const { return quantity_; }
    // Nothing once finished.
    std::shared_ptr<platform::services::PaymentTransaction> paymentTransaction() const;
    std::shared_ptr<GADInAppPurchase> inAppPurchase() const;

    void finishTransaction();

  private:
    const std::string productID_;
    const std::int64_t quantity_;
    mutable std::mutex mutex_;
    std::shared_ptr<platform::services::PaymentTransaction> paymentTransaction_;
    std::shared_ptr<GADInAppPurchase> inAppPurchase_;
};

}  // namespace ads
