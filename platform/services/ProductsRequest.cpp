#include "platform/services/ProductsRequest.h"

#include <mutex>

#include "platform/runtime/MainLoop.h"

namespace platform::services {

namespace {

std::mutex& scriptMutex() {
    static std::mutex m;
    return m;
}

ProductsRequest::Script& script() {
    static ProductsRequest::Script s;
    return s;
}

}  // namespace

std::shared_ptr<ProductsRequest> ProductsRequest::create(std::set<std::string> productIdentifiers) {
    if (productIdentifiers.empty()) return nullptr;
    return std::make_shared<ProductsRequest>(Private{}, std::move(productIdentifiers));
}

ProductsResponse ProductsRequest::answer(const std::set<std::string>& identifiers) {
    ProductsResponse response;
    auto catalogue = StoreCatalogue::shared();
    for (const auto& id : identifiers) {
        if (const auto* product = catalogue->product(id))
            response.products.push_back(*product);
        else
            response.invalidProductIdentifiers.push_back(id);
    }
    return response;
}

void ProductsRequest::start(Completion completion) {
    if (started_ || !completion) return;
    started_ = true;
    completion_ = std::move(completion);
    keepAlive_ = shared_from_this();
    Script scripted;
    {
        std::lock_guard lock(scriptMutex());
        scripted = script();
    }
    std::weak_ptr<ProductsRequest> weak = keepAlive_;
    MainLoop::main().post([weak, scripted] {
        auto self = weak.lock();
        if (!self || !self->completion_) return;
        Completion reply = [weak](const std::optional<ProductsResponse>& response,
                                  const std::optional<Error>& error) {
            if (auto request = weak.lock()) request->finish(response, error);
        };
        if (scripted)
            scripted(self->identifiers_, std::move(reply));
        else
            self->finish(answer(self->identifiers_), std::nullopt);
    });
}

void ProductsRequest::cancel() {
    completion_ = nullptr;
    // Released on a later turn: cancel may come from inside a caller that this request keeps.
    if (auto self = std::move(keepAlive_)) MainLoop::main().post([self] {});
}

void ProductsRequest::finish(const std::optional<ProductsResponse>& response,
                             const std::optional<Error>& error) {
    auto completion = std::move(completion_);
    completion_ = nullptr;
    if (!completion) return;
    auto self = std::move(keepAlive_);
    if (error)
        completion(std::nullopt, error);
    else
        completion(response ? response : std::optional<ProductsResponse>(ProductsResponse{}),
                   std::nullopt);
}

void ProductsRequest::setScriptForTesting(Script s) {
    std::lock_guard lock(scriptMutex());
    script() = std::move(s);
}

}  // namespace platform::services
