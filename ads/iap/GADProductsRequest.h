#pragma once

// One question to the store about products, with its answer delivered on the queue the caller
// names. requestProductsWithProductIdentifiers is the usual way in: it keeps the request alive
// until the handler has run, and when no request can be made (nothing asked for) the handler
// hears the SDK's private error 3, "Couldn't initialize.". The handler runs once, with the
// products by identifier and the identifiers the store does not know, or with nothing and the
// store's error. Without a queue or a handler nothing is asked.
//
// Any thread; the store itself is asked on the main thread.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "ads/foundation/GADQueue.h"
#include "platform/base/Error.h"
#include "platform/services/ProductsRequest.h"

namespace ads {

class GADProductsRequest : public std::enable_shared_from_this<GADProductsRequest> {
    struct Private {};

  public:
    using Product = platform::services::CatalogueProduct;
    using Products = std::map<std::string, Product>;
    using InvalidIdentifiers = std::set<std::string>;
    using CompletionHandler =
        std::function<void(const std::optional<Products>& products,
                           const std::optional<InvalidIdentifiers>& invalidIdentifiers,
                           const std::optional<platform::Error>& error)>;

    static void requestProductsWithProductIdentifiers(std::set<std::string> identifiers,
                                                      GADQueue queue, CompletionHandler handler);
    // Nothing when the store's request cannot be made.
    static std::shared_ptr<GADProductsRequest> create(std::set<std::string> identifiers);
    explicit GADProductsRequest(Private,
                                std::shared_ptr<platform::services::ProductsRequest> request)
        : productsRequest_(std::move(request)) {}

    void requestWithQueue(GADQueue queue, CompletionHandler handler);

  private:
    void productsRequestDidReceiveResponse(const platform::services::ProductsResponse& response);
    void requestDidFailWithError(const platform::Error& error);
    void deliver(std::optional<Products> products, std::optional<InvalidIdentifiers> invalid,
                 std::optional<platform::Error> error);

    const std::shared_ptr<platform::services::ProductsRequest> productsRequest_;
    CompletionHandler completionHandler_;
    GADQueue queue_;
};

}  // namespace ads
