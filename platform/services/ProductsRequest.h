#pragma once

// Asks the store about products by identifier, as a phone's store would: the answer comes on a
// later turn of the main loop, with the products the catalogue (StoreCatalogue::shared) knows
// and the identifiers it does not, or with an error. Call on the main thread; the completion
// runs there, once, unless the request was cancelled first. A started request keeps itself
// alive until it has answered or was cancelled.
//
// Tests script the store (setScriptForTesting): the script gets the identifiers and a
// completion on that later turn and may answer at once, later, with an error, or never;
// answer() is the store's own answer, for scripts that only delay it.

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/base/Error.h"
#include "platform/services/StoreCatalogue.h"

namespace platform::services {

struct ProductsResponse {
    std::vector<CatalogueProduct> products;
    std::vector<std::string> invalidProductIdentifiers;
};

class ProductsRequest : public std::enable_shared_from_this<ProductsRequest> {
    struct Private {};

  public:
    // Exactly one of response and error is set.
    using Completion = std::function<void(const std::optional<ProductsResponse>& response,
                                          const std::optional<Error>& error)>;
    using Script = std::function<void(const std::set<std::string>& identifiers, Completion)>;

    // Nothing for an empty set: the store refuses a request that asks for nothing.
    static std::shared_ptr<ProductsRequest> create(std::set<std::string> productIdentifiers);
    ProductsRequest(Private, std::set<std::string> ids) : identifiers_(std::move(ids)) {}

    const std::set<std::string>& productIdentifiers() const { return identifiers_; }
    // A second start is ignored.
    void start(Completion completion);
    // The completion is dropped without a call.
    void cancel();

    static ProductsResponse answer(const std::set<std::string>& identifiers);
    // nullptr restores the store's own answers.
    static void setScriptForTesting(Script script);

  private:
    void finish(const std::optional<ProductsResponse>& response, const std::optional<Error>& error);

    const std::set<std::string> identifiers_;
    Completion completion_;
    std::shared_ptr<ProductsRequest> keepAlive_;
    bool started_ = false;
};

}  // namespace platform::services
