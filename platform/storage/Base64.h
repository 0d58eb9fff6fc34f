#pragma once

// Standard Base64 (RFC 4648, with padding) for the data our text files carry: keychain items,
// and data values in JSON. Decoding is strict: bad characters or bad padding are refused, so
// a damaged file is noticed instead of yielding different bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Base64 {
  public:
    static std::string encode(const std::uint8_t* bytes, std::size_t size);
    static std::string encode(const std::vector<std::uint8_t>& bytes) {
        return encode(bytes.data(), bytes.size());
    }
    static std::optional<std::vector<std::uint8_t>> decode(std::string_view text);
};

}  // namespace platform
