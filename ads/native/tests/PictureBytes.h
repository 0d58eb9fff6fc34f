#pragma once

// Picture files for the native tests and benchmarks: real PNG and JPEG bytes of a picture
// (plain grey, or the given RGB pixels, width * height * 3 bytes), and a PNG header that claims
// any size (no pixels behind it).

#include <cstdint>
#include <vector>

namespace ads::testing {

std::vector<std::uint8_t> pngOf(int width, int height, const std::vector<std::uint8_t>& rgb = {});
std::vector<std::uint8_t> jpegOf(int width, int height, const std::vector<std::uint8_t>& rgb = {});
std::vector<std::uint8_t> pngHeaderClaiming(std::uint32_t width, std::uint32_t height);

}  // namespace ads::testing
