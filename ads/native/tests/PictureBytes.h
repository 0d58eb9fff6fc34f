#pragma once

// Picture files for the native tests: real PNG and JPEG bytes of a plain picture, and a PNG
// header that claims any size (no pixels behind it).

#include <cstdint>
#include <vector>

namespace ads::testing {

std::vector<std::uint8_t> pngOf(int width, int height);
std::vector<std::uint8_t> jpegOf(int width, int height);
std::vector<std::uint8_t> pngHeaderClaiming(std::uint32_t width, std::uint32_t height);

}  // namespace ads::testing
