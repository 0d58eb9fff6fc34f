#include "platform/base/Color.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {
std::uint32_t toByte(float f) {
    if (!(f > 0)) return 0;  // also NaN
    return static_cast<std::uint32_t>(std::lround(std::min(f, 1.0f) * 255.0f));
}
}  // namespace

Color Color::fromRGBA8(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    return {r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f};
}

Color Color::fromARGB32(std::uint32_t argb) {
    return fromRGBA8(static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
                     static_cast<std::uint8_t>(argb), static_cast<std::uint8_t>(argb >> 24));
}

std::uint32_t Color::toARGB32() const {
    return toByte(a) << 24 | toByte(r) << 16 | toByte(g) << 8 | toByte(b);
}

}  // namespace platform
