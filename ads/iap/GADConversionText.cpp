#include "ads/iap/GADConversionText.h"

#include <charconv>
#include <cmath>

namespace ads {

std::string GADConversionPriceString(const platform::Decimal& price) {
    return price.floor(6).toString();
}

std::string GADConversionTimestampString(double seconds) {
    if (!std::isfinite(seconds)) seconds = 0;
    // Enough for any double printed in full with six decimals.
    char buffer[400];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 6);
    if (result.ec != std::errc()) return "0.000000";
    return std::string(buffer, result.ptr);
}

}  // namespace ads
