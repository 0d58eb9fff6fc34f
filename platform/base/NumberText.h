#pragma once

// The rules for reading a number out of text, which settings files and server answers rely on:
// leading whitespace is skipped, an optional sign and then the leading digits count, and whatever
// follows is ignored. Text without a number reads as 0.

#include <cstdint>
#include <string_view>

namespace platform {

// Saturates at INT32_MAX / INT32_MIN instead of wrapping.
std::int32_t intValue(std::string_view text);
// 64-bit, saturating at INT64_MAX / INT64_MIN.
std::int64_t integerValue(std::string_view text);
std::int64_t longLongValue(std::string_view text);
// Decimal only: digits, an optional fraction and exponent, always with '.' whatever the
// locale. Hex, "inf" and "nan" read as 0; overflow gives +-infinity, underflow 0.
double doubleValue(std::string_view text);
float floatValue(std::string_view text);
// True for a leading "Y", "y", "T" or "t", or for a non-zero digit after an optional sign and
// any zeros: "YES", "true", "1", "007", "-5" are true; "NO", "0", "", "x1" are false.
bool boolValue(std::string_view text);

}  // namespace platform
