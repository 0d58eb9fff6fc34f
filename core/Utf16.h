#pragma once

#include <string>
#include <string_view>

namespace JTCore {

// Conversions between the shell's UTF-8 text and the game core's UTF-16 text. Malformed input
// becomes U+FFFD rather than being dropped, so lengths stay predictable.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace JTCore
