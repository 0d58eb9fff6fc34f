#pragma once

// UTF-8 checks and repair. Text from files and servers may be anything; inside the program a
// string is UTF-8, so what is not gets its broken sequences replaced by U+FFFD on the way in.

#include <string>
#include <string_view>

namespace platform {

class Utf8 {
  public:
    static bool isValid(std::string_view text);
    // Each maximal invalid sequence becomes one U+FFFD; valid text comes back unchanged.
    static std::string repaired(std::string_view text);
    static void append(std::string& out, char32_t codePoint);

    // Length of the valid sequence starting at text[i], or 0 when it is invalid.
    static std::size_t sequenceLength(std::string_view text, std::size_t i);
};

}  // namespace platform
