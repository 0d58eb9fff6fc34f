#pragma once

// What the store told the SDK about the app's products: each product it knows, by identifier,
// and the identifiers it refused. The table only grows and changes by the merge of each store
// answer (a product answered moves out of the refused set, a refusal takes the product out);
// it is never emptied as a whole.
//
// Thread-safe: the table lives on the serial queue "com.zivivu.durez.iap-cache".
// cachedProductForProductID reads it synchronously there, from any other thread. Answers are
// merged there, then the caller's handler runs on the caller's queue with the answer as it
// came. The shared instance lives for the process.

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "ads/iap/GADProductsRequest.h"

namespace platform {
class SerialQueue;
}

namespace ads {

class GADInAppPurchaseProductCache
    : public std::enable_shared_from_this<GADInAppPurchaseProductCache> {
    struct Private {};

  public:
    using Product = GADProductsRequest::Product;

    static std::shared_ptr<GADInAppPurchaseProductCache> sharedInstance();
    // A cache of its own (tests, a restarted program).
    static std::shared_ptr<GADInAppPurchaseProductCache> create();
    explicit GADInAppPurchaseProductCache(Private);

    std::optional<Product> cachedProductForProductID(const std::string& productID) const;
    bool isInvalidProductID(const std::string& productID) const;
    // Without a queue or a handler nothing is asked.
    void requestProductsWithProductIdentifiers(std::set<std::string> identifiers, GADQueue queue,
                                               GADProductsRequest::CompletionHandler handler);

  private:
    const std::shared_ptr<platform::SerialQueue> lockQueue_;
    // On the lock queue.
    std::map<std::string, Product> validProductIDs_;
    std::set<std::string> invalidProducts_;
};

}  // namespace ads
