// Property lists as files and server answers deliver them; the seeds steer this target at the
// XML format (libplist).

#include "PlistRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::Error error;
    platform::PropertyListFormat format{};
    if (auto value = platform::PropertyList::parse(fuzz::bytes(data, size), &error, &format)) {
        fuzz::checkStoredValueReadsBack(*value);
    } else {
        FUZZ_CHECK(error.code != 0);
    }
    return 0;
}
