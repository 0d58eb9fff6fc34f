#pragma once

// UTF-8 (the program's strings) to UTF-16 (what the original counted lengths and indices in)
// and back. Malformed input never passes through: each bad sequence becomes U+FFFD.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);
std::string codePointToUtf8(char32_t cp);

// Length in UTF-16 units, what the original's string length answered: characters outside the
// Basic Multilingual Plane (emoji) count two.
std::size_t utf16Length(std::string_view utf8);

// Well-formed UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool isValidUtf8(std::string_view bytes);

}  // namespace platform
