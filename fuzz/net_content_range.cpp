// A partial answer's "Content-Range" value, as a server sends it. A range that parses names at
// least one byte, ends inside the complete length when that is known, and writes back to text
// that parses to the same range.

#include <string>

#include "FuzzSupport.h"
#include "platform/net/ContentRange.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::bytes(data, size);
    const auto range = platform::parseContentRange(text);
    if (!range) return 0;
    FUZZ_CHECK(range->first <= range->last);
    if (range->complete) FUZZ_CHECK(range->last < *range->complete);
    const std::string again =
        "bytes " + std::to_string(range->first) + "-" + std::to_string(range->last) + "/" +
        (range->complete ? std::to_string(*range->complete) : std::string("*"));
    FUZZ_CHECK(platform::parseContentRange(again) == range);
    return 0;
}
