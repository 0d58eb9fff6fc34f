// Server values on their way back into JSON: anything the SDK decodes (and data or dates it
// adds) must come out of the JSON-safe form writable; rectangles read from pages must be
// finite.

#include <cmath>
#include <cstring>

#include "FuzzSupport.h"
#include "ads/foundation/GADJSONAdditions.h"
#include "ads/foundation/GADRectUtilities.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::bytes(data, size);
    platform::Value dict = platform::Value::dictionary();
    if (auto decoded = ads::gad_decodedJSONObject(text)) {
        dict.set("decoded", *decoded);
        if (decoded->isDictionary()) {
            const platform::Rect r = ads::GADCGRectFromDictionary(*decoded);
            FUZZ_CHECK(std::isfinite(r.origin.x) && std::isfinite(r.origin.y) &&
                       std::isfinite(r.size.width) && std::isfinite(r.size.height));
            const platform::Value safe = ads::gad_JSONSafeDictionary(*decoded);
            FUZZ_CHECK(ads::gad_JSONString(safe, false));
        }
    }
    dict.set("data", platform::Value(platform::Value::Bytes(data, data + size)));
    double number = 0;
    if (size >= sizeof number) std::memcpy(&number, data, sizeof number);
    dict.set("number", number);
    dict.set("date", platform::Date{number});
    dict.set("list", platform::Value::array({dict, number}));
    const platform::Value safe = ads::gad_JSONSafeDictionary(dict);
    auto json = ads::gad_JSONString(safe, true);
    FUZZ_CHECK(json);
    FUZZ_CHECK(ads::gad_decodedJSONObject(*json));
    return 0;
}
