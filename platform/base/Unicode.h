#pragma once

// UTF-8 (the program's strings) to UTF-16 (what the game core counts lengths and indices in) and
// back, and the checks and repair that text from files and servers goes through on its way in.
// Malformed input never passes through: bad sequences become U+FFFD.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);
std::string codePointToUtf8(char32_t cp);
// Code points, for laying out text glyph by glyph; each malformed byte becomes U+FFFD.
std::u32string utf8ToUtf32(std::string_view utf8);
std::string utf32ToUtf8(std::u32string_view utf32);
// Surrogates and values beyond U+10FFFF have no UTF-8 form and are appended as U+FFFD.
void appendUtf8(std::string& out, char32_t cp);

// Length in UTF-16 units, what the game core's strings and stored layouts count: characters outside
// the Basic Multilingual Plane (emoji) count two.
std::size_t utf16Length(std::string_view utf8);

// Well-formed UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool isValidUtf8(std::string_view bytes);

// Length of the well-formed sequence starting at bytes[i], or 0 when there is none.
std::size_t utf8SequenceLength(std::string_view bytes, std::size_t i);

// Each maximal invalid sequence (a bad lead byte with the continuation bytes after it) becomes
// one U+FFFD; valid text comes back unchanged.
std::string repairedUtf8(std::string_view bytes);
// The size of repairedUtf8(bytes), without making it.
std::size_t repairedUtf8Size(std::string_view bytes);

}  // namespace platform
