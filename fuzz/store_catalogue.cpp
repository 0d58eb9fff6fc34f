// The store's product catalogue, a JSON file anyone can edit: whatever it holds gives a
// catalogue without a crash, whose products all have what a purchase sheet shows, each
// identifier once.

#include <set>

#include "FuzzSupport.h"
#include "platform/services/StoreCatalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> problems;
    auto catalogue = platform::services::StoreCatalogue::parse(fuzz::bytes(data, size), &problems);
    std::set<std::string> ids;
    for (const auto& product : catalogue.products()) {
        FUZZ_CHECK(!product.productIdentifier.empty());
        FUZZ_CHECK(!product.currencyCode.empty());
        FUZZ_CHECK(!product.price.isNegative());
        FUZZ_CHECK(ids.insert(product.productIdentifier).second);
        FUZZ_CHECK(catalogue.product(product.productIdentifier) == &product);
    }
    return 0;
}
