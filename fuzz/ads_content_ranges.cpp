// The server's character ranges for content hashing's tokenizer: JSON text of [location,
// length] pairs. Anything else must give no class (the built-in one then stays), and a class
// that parses must hold exactly the units its pairs name.

#include <cmath>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "ads/foundation/GADCharacterSets.h"
#include "platform/storage/Json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::bytes(data, size);
    const auto set = ads::GADCharacterSet::fromRangeSetting(text);
    const auto decoded = platform::Json::parse(text);
    if (!set) return 0;
    FUZZ_CHECK(decoded && decoded->isArray());
    // Each pair of whole numbers names its units; every unit named is in, others are out.
    std::vector<bool> named(0x10000, false);
    for (const auto& pair : decoded->asArray()) {
        FUZZ_CHECK(pair.isArray() && pair.asArray().size() == 2);
        const double from = std::floor(pair.asArray()[0].doubleValue());
        const double count = std::floor(pair.asArray()[1].doubleValue());
        FUZZ_CHECK(from >= 0 && count >= 0);
        for (double unit = from; unit < from + count && unit < 0x10000; ++unit) {
            named[static_cast<std::size_t>(unit)] = true;
        }
    }
    for (std::uint32_t unit = 0; unit < 0x10000; ++unit) {
        FUZZ_CHECK((*set)->containsUnit(static_cast<char16_t>(unit)) == named[unit]);
    }
    return 0;
}
