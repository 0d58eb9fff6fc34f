#include "ads/iap/GADDefaultInAppPurchaseFlow.h"

#include <algorithm>

#include "ads/foundation/GADLogger.h"
#include "ads/fullscreen/GADInAppPurchase.h"
#include "ads/iap/GADDefaultInAppPurchase.h"
#include "ads/iap/GADDefaultInAppPurchaseDelegate.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/ui/AlertView.h"

namespace ads {

using platform::services::PaymentQueue;
using platform::services::PaymentTransaction;
using platform::services::PaymentTransactionState;

std::shared_ptr<GADDefaultInAppPurchaseFlow> GADDefaultInAppPurchaseFlow::sharedInstance() {
    // Never released: the store's queue may call it for as long as the process runs.
    static auto* instance = new std::shared_ptr<GADDefaultInAppPurchaseFlow>(
        create(GADInAppPurchaseProductCache::sharedInstance()));
    return *instance;
}

std::shared_ptr<GADDefaultInAppPurchaseFlow> GADDefaultInAppPurchaseFlow::create(
    std::shared_ptr<GADInAppPurchaseProductCache> cache) {
    return std::make_shared<GADDefaultInAppPurchaseFlow>(Private{}, std::move(cache));
}

void GADDefaultInAppPurchaseFlow::enableDefaultPurchaseFlowWithDelegate(
    std::shared_ptr<GADDefaultInAppPurchaseDelegate> delegate) {
    MOVU_CHECK_MAIN_THREAD();
    if (!delegate || delegate == delegate_) return;
    if (!delegate_) {
        auto queue = PaymentQueue::defaultQueue();
        queue->addTransactionObserver(weak_from_this());
        observedQueue_ = queue;
    }
    delegate_ = std::move(delegate);
    enabled_.store(true);
}

void GADDefaultInAppPurchaseFlow::disableDefaultPurchaseFlow() {
    MOVU_CHECK_MAIN_THREAD();
    if (!delegate_) return;
    delegate_.reset();
    enabled_.store(false);
    if (auto queue = observedQueue_.lock()) queue->removeTransactionObserver(this);
    observedQueue_.reset();
}

void GADDefaultInAppPurchaseFlow::didReceiveInAppPurchase(
    const std::shared_ptr<GADInAppPurchase>& purchase) {
    MOVU_CHECK_MAIN_THREAD();
    if (!purchase) return;
    const std::string productID = purchase->productID();
    const std::int64_t quantity = purchase->quantity();
    if (delegate_) {
        auto start = delegate_->shouldStartPurchaseForProductID(productID, quantity);
        if (start && !*start) {
            purchase->reportPurchaseStatus(GADInAppPurchase::StatusError);
            notifyUserOfUnavailableProduct();
            return;
        }
    }
    if (productID.empty()) {
        purchase->reportPurchaseStatus(GADInAppPurchase::StatusInvalidProduct);
        return;
    }
    if (!GADInAppPurchase::quantityIsValid(quantity)) {
        GADLogger::sharedInstance().logPublicMessage(
            "In-app purchase of \"" + productID + "\" refused: the quantity " +
            std::to_string(quantity) + " is not between 1 and 10.");
        purchase->reportPurchaseStatus(GADInAppPurchase::StatusError);
        return;
    }
    if (auto product = cache_->cachedProductForProductID(productID)) {
        purchaseProduct(*product, purchase);
        return;
    }
    std::weak_ptr<GADDefaultInAppPurchaseFlow> weak = weak_from_this();
    cache_->requestProductsWithProductIdentifiers(
        {productID}, GADQueue::main(),
        [weak, purchase, productID](const std::optional<GADProductsRequest::Products>& products,
                                    const std::optional<GADProductsRequest::InvalidIdentifiers>&,
                                    const std::optional<platform::Error>& error) {
            const GADProductsRequest::Product* product = nullptr;
            if (products) {
                auto it = products->find(productID);
                if (it != products->end()) product = &it->second;
            }
            auto self = weak.lock();
            if (!product || error || !self) {
                purchase->reportPurchaseStatus(GADInAppPurchase::StatusInvalidProduct);
                auto& logger = GADLogger::sharedInstance();
                if (error) logger.logPublicMessage(error->localizedDescription());
                logger.logPublicMessage("\"" + productID +
                                        "\" is not a valid product ID or could not be validated. "
                                        "Verify your ad configuration.");
                notifyUserOfUnavailableProduct();
                return;
            }
            self->purchaseProduct(*product, purchase);
        });
}

void GADDefaultInAppPurchaseFlow::purchaseProduct(
    const GADInAppPurchaseProductCache::Product& product,
    const std::shared_ptr<GADInAppPurchase>& purchase) {
    activeInAppPurchases_.push_back(purchase);
    PaymentQueue::defaultQueue()->addPayment({product.productIdentifier, purchase->quantity()});
}

void GADDefaultInAppPurchaseFlow::updatedTransactions(
    PaymentQueue&, const std::vector<std::shared_ptr<PaymentTransaction>>& transactions) {
    MOVU_CHECK_MAIN_THREAD();
    for (const auto& transaction : transactions) {
        switch (transaction->transactionState()) {
            case PaymentTransactionState::Purchased:
                completeTransaction(transaction);
                break;
            case PaymentTransactionState::Failed:
                failedTransaction(transaction);
                break;
            default:
                break;
        }
    }
}

void GADDefaultInAppPurchaseFlow::completeTransaction(
    const std::shared_ptr<PaymentTransaction>& transaction) {
    auto purchase = GADDefaultInAppPurchase::create(
        transaction->payment().productIdentifier, transaction->payment().quantity, transaction,
        dequeueInAppPurchaseForTransaction(*transaction));
    // Kept for the call: the delegate may switch the flow off from inside it.
    if (auto delegate = delegate_) delegate->userDidPayForPurchase(purchase);
}

void GADDefaultInAppPurchaseFlow::failedTransaction(
    const std::shared_ptr<PaymentTransaction>& transaction) {
    auto purchase = dequeueInAppPurchaseForTransaction(*transaction);
    const auto& error = transaction->error();
    const bool cancelled = error && error->is(platform::services::kStoreErrorDomain,
                                              platform::services::kStoreErrorPaymentCancelled);
    purchase->reportPurchaseStatus(cancelled ? GADInAppPurchase::StatusCancel
                                             : GADInAppPurchase::StatusError);
    PaymentQueue::defaultQueue()->finishTransaction(transaction);
}

std::shared_ptr<GADInAppPurchase> GADDefaultInAppPurchaseFlow::dequeueInAppPurchaseForTransaction(
    const PaymentTransaction& transaction) {
    const auto& payment = transaction.payment();
    auto it = std::find_if(activeInAppPurchases_.begin(), activeInAppPurchases_.end(),
                           [&payment](const auto& purchase) {
                               return purchase->quantity() == payment.quantity &&
                                      purchase->productID() == payment.productIdentifier;
                           });
    if (it != activeInAppPurchases_.end()) {
        auto found = *it;
        activeInAppPurchases_.erase(it);
        return found;
    }
    auto stranger = GADInAppPurchase::create();
    stranger->setProductID(payment.productIdentifier);
    stranger->setQuantity(payment.quantity);
    return stranger;
}

void GADDefaultInAppPurchaseFlow::notifyUserOfUnavailableProduct() {
    platform::ui::AlertView::create("Whoops!", "Sorry, the product is currently unavailable.", {},
                                    "OK")
        ->show();
}

}  // namespace ads
