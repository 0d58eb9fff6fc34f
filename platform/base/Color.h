#pragma once

// An RGBA colour with float components in 0..1 (not premultiplied).

#include <cstdint>

namespace platform {

struct Color {
    float r = 0, g = 0, b = 0, a = 1;

    static constexpr Color rgba(float r, float g, float b, float a = 1) { return {r, g, b, a}; }
    static constexpr Color white(float w, float a = 1) { return {w, w, w, a}; }
    static constexpr Color black() { return {0, 0, 0, 1}; }
    static constexpr Color whiteColor() { return {1, 1, 1, 1}; }
    static constexpr Color clear() { return {0, 0, 0, 0}; }
    static Color fromRGBA8(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255);
    // The game core's packed form: alpha << 24 | red << 16 | green << 8 | blue.
    static Color fromARGB32(std::uint32_t argb);

    std::uint32_t toARGB32() const;
    Color withAlpha(float alpha) const { return {r, g, b, alpha}; }
    // Components scaled by alpha, for blending with premultiplied pixels.
    Color premultiplied() const { return {r * a, g * a, b * a, a}; }

    friend bool operator==(const Color&, const Color&) = default;
};

}  // namespace platform
