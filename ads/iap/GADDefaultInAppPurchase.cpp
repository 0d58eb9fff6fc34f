#include "ads/iap/GADDefaultInAppPurchase.h"

#include "ads/fullscreen/GADInAppPurchase.h"
#include "ads/iap/GADDefaultInAppPurchaseFlow.h"
#include "platform/services/PaymentQueue.h"

namespace ads {

void GADDefaultInAppPurchase::enableDefaultPurchaseFlowWithDelegate(
    std::shared_ptr<GADDefaultInAppPurchaseDelegate> delegate) {
    GADDefaultInAppPurchaseFlow::sharedInstance()->enableDefaultPurchaseFlowWithDelegate(
        std::move(delegate));
}

void GADDefaultInAppPurchase::disableDefaultPurchaseFlow() {
    GADDefaultInAppPurchaseFlow::sharedInstance()->disableDefaultPurchaseFlow();
}

std::shared_ptr<GADDefaultInAppPurchase> GADDefaultInAppPurchase::create(
    std::string productID, std::int64_t quantity,
    std::shared_ptr<platform::services::PaymentTransaction> transaction,
    std::shared_ptr<GADInAppPurchase> inAppPurchase) {
    return std::make_shared<GADDefaultInAppPurchase>(Private{}, std::move(productID), quantity,
                                                     std::move(transaction),
                                                     std::move(inAppPurchase));
}

GADDefaultInAppPurchase::GADDefaultInAppPurchase(
    Private, std::string productID, std::int64_t quantity,
    std::shared_ptr<platform::services::PaymentTransaction> transaction,
    std::shared_ptr<GADInAppPurchase> inAppPurchase)
    : productID_(std::move(productID)),
      quantity_(quantity),
      paymentTransaction_(std::move(transaction)),
      inAppPurchase_(std::move(inAppPurchase)) {}

std::shared_ptr<platform::services::PaymentTransaction>
GADDefaultInAppPurchase::paymentTransaction() const {
    std::lock_guard lock(mutex_);
    return paymentTransaction_;
}

std::shared_ptr<GADInAppPurchase> GADDefaultInAppPurchase::inAppPurchase() const {
    std::lock_guard lock(mutex_);
    return inAppPurchase_;
}

void GADDefaultInAppPurchase::finishTransaction() {
    std::shared_ptr<platform::services::PaymentTransaction> transaction;
    std::shared_ptr<GADInAppPurchase> purchase;
    {
        // Taken under the lock, so of two threads finishing at once only one finds them.
        std::lock_guard lock(mutex_);
        transaction = std::move(paymentTransaction_);
        purchase = std::move(inAppPurchase_);
        paymentTransaction_ = nullptr;
        inAppPurchase_ = nullptr;
    }
    if (!transaction) return;
    platform::services::PaymentQueue::defaultQueue()->finishTransaction(transaction);
    if (purchase) purchase->reportPurchaseStatus(1);
}

}  // namespace ads
