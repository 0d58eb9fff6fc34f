#pragma once

// Lower-case hexadecimal (checksums, ids, hashes): the web service and the stored account id
// compare these texts as they are.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

std::string hexLower(const void* bytes, std::size_t size);
inline std::string hexLower(std::string_view bytes) {
    return hexLower(bytes.data(), bytes.size());
}
inline std::string hexLower(const std::vector<std::uint8_t>& bytes) {
    return hexLower(bytes.data(), bytes.size());
}

// Either case is accepted; odd lengths and other characters are refused.
std::optional<std::vector<std::uint8_t>> hexDecode(std::string_view hex);

// The value of one hex digit of either case, or -1 for any other character.
int hexDigitValue(char c);

}  // namespace platform
