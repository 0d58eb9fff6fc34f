#include "ads/iap/GADInAppPurchaseProductCache.h"

#include "platform/runtime/SerialQueue.h"

namespace ads {

std::shared_ptr<GADInAppPurchaseProductCache> GADInAppPurchaseProductCache::sharedInstance() {
    // Never released: what the store said stays true for the run.
    static auto* instance = new std::shared_ptr<GADInAppPurchaseProductCache>(create());
    return *instance;
}

std::shared_ptr<GADInAppPurchaseProductCache> GADInAppPurchaseProductCache::create() {
    return std::make_shared<GADInAppPurchaseProductCache>(Private{});
}

GADInAppPurchaseProductCache::GADInAppPurchaseProductCache(Private)
    : lockQueue_(std::make_shared<platform::SerialQueue>("com.zivivu.durez.iap-cache")) {}

std::optional<GADInAppPurchaseProductCache::Product>
GADInAppPurchaseProductCache::cachedProductForProductID(const std::string& productID) const {
    std::optional<Product> product;
    GADQueue::serial(lockQueue_).sync([&] {
        auto it = validProductIDs_.find(productID);
        if (it != validProductIDs_.end()) product = it->second;
    });
    return product;
}

bool GADInAppPurchaseProductCache::isInvalidProductID(const std::string& productID) const {
    bool invalid = false;
    GADQueue::serial(lockQueue_).sync([&] { invalid = invalidProducts_.count(productID) > 0; });
    return invalid;
}

void GADInAppPurchaseProductCache::requestProductsWithProductIdentifiers(
    std::set<std::string> identifiers, GADQueue queue,
    GADProductsRequest::CompletionHandler handler) {
    if (!queue || !handler) return;
    std::weak_ptr<GADInAppPurchaseProductCache> weak = weak_from_this();
    GADProductsRequest::requestProductsWithProductIdentifiers(
        std::move(identifiers), GADQueue::serial(lockQueue_),
        [weak, queue = std::move(queue), handler = std::move(handler)](
            const std::optional<GADProductsRequest::Products>& products,
            const std::optional<GADProductsRequest::InvalidIdentifiers>& invalid,
            const std::optional<platform::Error>& error) {
            if (auto self = weak.lock()) {
                if (products) {
                    for (const auto& [id, product] : *products) {
                        self->validProductIDs_[id] = product;
                        self->invalidProducts_.erase(id);
                    }
                }
                if (invalid) {
                    for (const auto& id : *invalid) {
                        self->validProductIDs_.erase(id);
                        self->invalidProducts_.insert(id);
                    }
                }
            }
            queue.async([handler, products, invalid, error] { handler(products, invalid, error); });
        });
}

}  // namespace ads
