#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace util {

// Lower-case hex, two digits per byte, no separators; "" for a length below 1.
std::string HexStringFromBytes(const uint8_t* bytes, long length);
std::string HexStringFromData(const std::vector<uint8_t>& data);

// Form-style URL encoding of the UTF-8 bytes: space -> "+", letters, digits, "-", "." and "_"
// kept, every other byte "%XX" in upper-case hex (a tilde too).
std::string StringByUrlEncodeUTF8(const std::string& text);
// "+" and "%20" become a space and percent escapes are decoded; empty when an escape is
// malformed or the decoded bytes are not UTF-8.
std::optional<std::string> StringByUrlDecodeUTF8(const std::string& text);

// True when the text is missing or empty: what callers test before putting in a default name.
bool StringIsNilOrEmpty(const std::optional<std::string>& text);

}  // namespace util
