#include "platform/base/Uuid.h"

#include <random>

#include "platform/base/Hex.h"

namespace platform {

Uuid Uuid::random() {
    // random_device reads the kernel's random source on Linux.
    static thread_local std::random_device device;
    Bytes b;
    for (std::size_t i = 0; i < b.size(); i += 4) {
        std::uint32_t r = device();
        for (std::size_t k = 0; k < 4; ++k) b[i + k] = static_cast<std::uint8_t>(r >> (8 * k));
    }
    b[6] = static_cast<std::uint8_t>((b[6] & 0x0F) | 0x40);
    b[8] = static_cast<std::uint8_t>((b[8] & 0x3F) | 0x80);
    return Uuid(b);
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (text.size() != 36) return std::nullopt;
    std::string compact;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash != (text[i] == '-')) return std::nullopt;
        if (!dash) compact += text[i];
    }
    auto bytes = hexDecode(compact);
    if (!bytes) return std::nullopt;
    Bytes b;
    for (std::size_t i = 0; i < 16; ++i) b[i] = (*bytes)[i];
    return Uuid(b);
}

bool Uuid::isNull() const {
    for (auto v : bytes_) {
        if (v) return false;
    }
    return true;
}

std::string Uuid::toString() const {
    std::string hex = hexLower(bytes_.data(), bytes_.size());
    std::string out;
    for (std::size_t i = 0; i < hex.size(); ++i) {
        if (i == 8 || i == 12 || i == 16 || i == 20) out += '-';
        char c = hex[i];
        out += (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return out;
}

std::string Uuid::toCompactLowerString() const {
    return hexLower(bytes_.data(), bytes_.size());
}

}  // namespace platform
