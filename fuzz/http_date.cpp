// Dates in HTTP header fields (Date, Expires, Last-Modified) as servers send them.

#include <cmath>

#include "FuzzSupport.h"
#include "platform/net/HttpDate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto date = platform::parseHttpDate(fuzz::bytes(data, size));
    if (!date) return 0;
    FUZZ_CHECK(std::isfinite(date->secondsSince1970));
    // What we write we must read back, to the second.
    std::string written = platform::formatHttpDate(*date);
    if (written.empty()) return 0;
    auto again = platform::parseHttpDate(written);
    FUZZ_CHECK(again);
    FUZZ_CHECK(again->secondsSince1970 == std::floor(date->secondsSince1970));
    (void)platform::formatHttpDateWithoutZone(*date);
    return 0;
}
