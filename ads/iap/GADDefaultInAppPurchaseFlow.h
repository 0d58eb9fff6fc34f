#pragma once

// The SDK's own purchase flow, for apps that let the SDK run the store for their ads'
// purchases (GADDefaultInAppPurchase::enableDefaultPurchaseFlowWithDelegate). While it is on,
// slots hand it their purchases instead of the app's in-app purchase delegate.
//
// A purchase starts (didReceiveInAppPurchase) unless the app's delegate refuses it (status 0
// and the "Whoops!" alert), it names no product (status 3) or its quantity is not 1 to 10
// (status 0: the store is never asked for a quantity no ad may offer). The product is looked
// up in the product cache, else asked of the store (the main queue hears the answer); a
// product the store does not know reports status 3, logs why and shows the alert. Then a
// payment goes to the store's queue, and the purchase waits among the active ones.
//
// The flow observes the store's queue while it is on: a paid transaction reaches the
// delegate's userDidPayForPurchase as a GADDefaultInAppPurchase with the ad's purchase that
// waited for it (the first of the same product and quantity, in the order they started; a
// transaction no ad started gets a purchase that reports nowhere). The transaction stays open
// until the app finishes it. A failed transaction reports 2 when the user cancelled (the
// store's code 2), else 0, and is finished at once.
//
// Main thread only. The shared flow holds the app's delegate strongly while it is on: the app
// hands it over and need not keep it.

#include <atomic>
#include <memory>
#include <vector>

#include "ads/fullscreen/GADInAppPurchaseDelegate.h"
#include "ads/iap/GADInAppPurchaseProductCache.h"
#include "platform/services/PaymentQueue.h"

namespace ads {

class GADDefaultInAppPurchaseDelegate;
class GADInAppPurchase;

class GADDefaultInAppPurchaseFlow
    : public GADInAppPurchaseDelegate,
      public platform::services::PaymentTransactionObserver,
      public std::enable_shared_from_this<GADDefaultInAppPurchaseFlow> {
    struct Private {};

  public:
    static std::shared_ptr<GADDefaultInAppPurchaseFlow> sharedInstance();
    // A flow of its own, over the given cache (tests, a restarted program).
    static std::shared_ptr<GADDefaultInAppPurchaseFlow> create(
        std::shared_ptr<GADInAppPurchaseProductCache> cache);
    GADDefaultInAppPurchaseFlow(Private, std::shared_ptr<GADInAppPurchaseProductCache> cache)
        : cache_(std::move(cache)) {}

    bool isDefaultPurchaseFlowEnabled() const { return enabled_.load(); }
    // Ignored for no delegate or the one already set.
    void enableDefaultPurchaseFlowWithDelegate(
        std::shared_ptr<GADDefaultInAppPurchaseDelegate> delegate);
    void disableDefaultPurchaseFlow();

    // GADInAppPurchaseDelegate
    void didReceiveInAppPurchase(const std::shared_ptr<GADInAppPurchase>& purchase) override;
    // platform::services::PaymentTransactionObserver
    void updatedTransactions(
        platform::services::PaymentQueue& queue,
        const std::vector<std::shared_ptr<platform::services::PaymentTransaction>>& transactions)
        override;

    std::shared_ptr<GADInAppPurchase> dequeueInAppPurchaseForTransaction(
        const platform::services::PaymentTransaction& transaction);
    std::size_t activeInAppPurchaseCount() const { return activeInAppPurchases_.size(); }

    static void notifyUserOfUnavailableProduct();

  private:
    void purchaseProduct(const GADInAppPurchaseProductCache::Product& product,
                         const std::shared_ptr<GADInAppPurchase>& purchase);
    void completeTransaction(
        const std::shared_ptr<platform::services::PaymentTransaction>& transaction);
    void failedTransaction(
        const std::shared_ptr<platform::services::PaymentTransaction>& transaction);

    const std::shared_ptr<GADInAppPurchaseProductCache> cache_;
    std::vector<std::shared_ptr<GADInAppPurchase>> activeInAppPurchases_;
    std::shared_ptr<GADDefaultInAppPurchaseDelegate> delegate_;
    std::weak_ptr<platform::services::PaymentQueue> observedQueue_;
    std::atomic<bool> enabled_{false};
};

}  // namespace ads
