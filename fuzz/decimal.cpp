// Exact decimals from a server's or a page's text (prices, ratings).

#include "platform/base/Decimal.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto text = fuzz::bytes(data, size);
    auto value = platform::Decimal::parse(text);
    if (!value) return 0;
    // What we write we must read back as the same number.
    const std::string written = value->toString();
    auto again = platform::Decimal::parse(written);
    FUZZ_CHECK(again);
    FUZZ_CHECK(*again == *value);
    for (int places : {-3, 0, 2, 7}) {
        auto floored = value->floor(places);
        FUZZ_CHECK(floored <= *value);
        FUZZ_CHECK(floored.floor(places) == floored);
    }
    (void)value->toDouble();
    return 0;
}
