#pragma once

// Small text functions the SDK's requests and reports are made of. Texts go to the server,
// so their forms are fixed: "1"/"0" for flags, '.' as the decimal point whatever the locale.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ads {

// "1" or "0".
std::string GADStringFromBOOL(bool flag);
// Six decimals with the trailing zeros (and then a trailing point) removed: 1.5 -> "1.5",
// 2 -> "2", 10 -> "10", 0 -> "0". Non-finite values give "inf", "-inf" or "nan".
std::string GADStringFromDouble(double value);

// Percent-escaped for one URL query value in UTF-8: only letters, digits and "-._~" stay.
std::string gad_stringByEscapingAsURLParameter(std::string_view text);

// Without the white space and line breaks (of any script) at either end. Bytes that are not
// UTF-8 end the trimming there and are kept.
std::string gad_stringByTrimmingWhitespaceAndNewlines(std::string_view text);

// ASCII letters lower-cased and every other byte kept, whatever the process's locale: schemes,
// hosts, header names and keys compare this way (a locale's rules would turn "I" into a
// different byte under some of them).
std::string gad_asciiLowercased(std::string text);

// Without its last character when that is one "/".
std::string gad_stripTrailingSlash(std::string_view text);
// Equal once each side has lost one trailing "/".
bool gad_isEquivalentToURLString(std::string_view text, std::string_view other);

// The 16-byte MD5 digest (RFC 1321) of the text's bytes, and the same as 32 lower-case hex
// digits.
std::vector<std::uint8_t> gad_MD5Data(std::string_view text);
std::string gad_MD5String(std::string_view text);

}  // namespace ads
