// JSON as server answers and interface files deliver it. Whatever reads must write back and
// read again to the same value, since settings and answers are passed on in this form.

#include "platform/storage/Json.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using platform::Json;
    const auto text = fuzz::bytes(data, size);
    platform::Error error;
    auto value = Json::parse(text, Json::kReadingAllowFragments, &error);
    if (!value) {
        FUZZ_CHECK(error.code != 0);
        FUZZ_CHECK(!Json::parse(text));
        return 0;
    }
    if (auto written = Json::write(*value, Json::kWritingFragmentsAllowed)) {
        auto again = Json::parse(*written, Json::kReadingAllowFragments);
        FUZZ_CHECK(again);
        FUZZ_CHECK(fuzz::sameValue(*value, *again));
    }
    if (Json::isValidJSONObject(*value))
        FUZZ_CHECK(Json::write(*value, Json::kWritingPrettyPrinted));
    return 0;
}
