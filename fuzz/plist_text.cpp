// Old-style text property lists and strings files, read by our own parser.

#include "PlistRoundTrip.h"
#include "platform/storage/OpenStepReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    auto value = platform::OpenStepReader::parse(fuzz::bytes(data, size), &error);
    if (value) {
        fuzz::checkStoredValueReadsBack(*value);
    } else {
        FUZZ_CHECK(!error.empty());
    }
    return 0;
}
