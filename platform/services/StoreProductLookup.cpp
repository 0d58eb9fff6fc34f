#include "platform/services/StoreProductLookup.h"

#include "platform/runtime/MainLoop.h"

namespace platform::services {

namespace {

StoreProductLookup::Script& script() {
    static StoreProductLookup::Script s;
    return s;
}

}  // namespace

void StoreProductLookup::answer(std::int64_t identifier, const Completion& completion) {
    if (!completion) return;
    std::string id = std::to_string(identifier);
    if (identifier > 0) {
        completion(StoreProduct{identifier, "Product " + id}, std::nullopt);
        return;
    }
    completion(std::nullopt, Error::make(kStoreErrorDomain, kStoreErrorProductNotAvailable,
                                         "No product " + id + "."));
}

void StoreProductLookup::lookup(std::int64_t identifier, Completion completion) {
    Script scripted = script();
    MainLoop::main().post([identifier, completion = std::move(completion), scripted] {
        if (scripted)
            scripted(identifier, completion);
        else
            answer(identifier, completion);
    });
}

void StoreProductLookup::setScriptForTesting(Script s) {
    script() = std::move(s);
}

}  // namespace platform::services
