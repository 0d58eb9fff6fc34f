#include "ads/iap/GADProductsRequest.h"

#include "ads/foundation/GADInternalError.h"
#include "ads/foundation/GADRunOnMainThread.h"
#include "platform/services/StoreProductLookup.h"

namespace ads {

void GADProductsRequest::requestProductsWithProductIdentifiers(std::set<std::string> identifiers,
                                                               GADQueue queue,
                                                               CompletionHandler handler) {
    if (!queue || !handler) return;
    auto request = create(std::move(identifiers));
    if (!request) {
        queue.async([handler = std::move(handler)] {
            handler(
                std::nullopt, std::nullopt,
                gad_errorWithCode(static_cast<std::int64_t>(GADInternalErrorCode::InvalidArgument),
                                  "Couldn't initialize."));
        });
        return;
    }
    // The handler keeps the request until it has run; the request lets go of the handler then.
    request->requestWithQueue(queue, [request, handler = std::move(handler)](
                                         const std::optional<Products>& products,
                                         const std::optional<InvalidIdentifiers>& invalid,
                                         const std::optional<platform::Error>& error) {
        handler(products, invalid, error);
    });
}

std::shared_ptr<GADProductsRequest> GADProductsRequest::create(std::set<std::string> identifiers) {
    auto request = platform::services::ProductsRequest::create(std::move(identifiers));
    if (!request) return nullptr;
    return std::make_shared<GADProductsRequest>(Private{}, std::move(request));
}

void GADProductsRequest::requestWithQueue(GADQueue queue, CompletionHandler handler) {
    queue_ = std::move(queue);
    completionHandler_ = std::move(handler);
    std::weak_ptr<GADProductsRequest> weak = weak_from_this();
    GADRunOnMainThread([weak, request = productsRequest_] {
        request->start([weak](const std::optional<platform::services::ProductsResponse>& response,
                              const std::optional<platform::Error>& error) {
            auto self = weak.lock();
            if (!self) return;
            if (response)
                self->productsRequestDidReceiveResponse(*response);
            else
                self->requestDidFailWithError(error.value_or(
                    platform::Error::make(platform::services::kStoreErrorDomain, 0)));
        });
    });
}

void GADProductsRequest::productsRequestDidReceiveResponse(
    const platform::services::ProductsResponse& response) {
    Products products;
    for (const auto& product : response.products) products[product.productIdentifier] = product;
    InvalidIdentifiers invalid(response.invalidProductIdentifiers.begin(),
                               response.invalidProductIdentifiers.end());
    deliver(std::move(products), std::move(invalid), std::nullopt);
}

void GADProductsRequest::requestDidFailWithError(const platform::Error& error) {
    deliver(std::nullopt, std::nullopt, error);
}

void GADProductsRequest::deliver(std::optional<Products> products,
                                 std::optional<InvalidIdentifiers> invalid,
                                 std::optional<platform::Error> error) {
    auto handler = std::move(completionHandler_);
    completionHandler_ = nullptr;
    if (!handler || !queue_) return;
    queue_.async([handler = std::move(handler), products = std::move(products),
                  invalid = std::move(invalid),
                  error = std::move(error)] { handler(products, invalid, error); });
}

}  // namespace ads
