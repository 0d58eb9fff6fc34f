#pragma once

// How a conversion report writes its numbers, the same in every locale.

#include <string>

#include "platform/base/Decimal.h"

namespace ads {

// The price floored to six decimals, "." as the separator, no grouping, no trailing zeros, and
// "0" before the point below 1: 0.29 -> "0.29", 1 -> "1", 1.2345678 -> "1.234567",
// -0.5 -> "-0.5". Worked out in decimal arithmetic from the exact price, never via a double.
std::string GADConversionPriceString(const platform::Decimal& price);

// Seconds since 1970 with six decimals ("1700000000.250000"); "0.000000" for a value that is
// not finite.
std::string GADConversionTimestampString(double seconds);

}  // namespace ads
