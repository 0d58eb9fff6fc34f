#include "ads/native/tests/PictureBytes.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <cstdlib>

#include "platform/gfx/Image.h"

namespace ads::testing {

namespace {

std::vector<std::uint8_t> pixelsOrGrey(int width, int height,
                                       const std::vector<std::uint8_t>& rgb) {
    const std::size_t size = std::size_t(width) * std::size_t(height) * 3;
    return rgb.size() == size ? rgb : std::vector<std::uint8_t>(size, 0x80);
}

}  // namespace

std::vector<std::uint8_t> pngOf(int width, int height, const std::vector<std::uint8_t>& rgb) {
    const auto pixels = pixelsOrGrey(width, height, rgb);
    std::vector<std::uint8_t> rgba;
    rgba.reserve(pixels.size() / 3 * 4);
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        rgba.insert(rgba.end(), {pixels[i], pixels[i + 1], pixels[i + 2], 255});
    }
    return platform::gfx::Image(width, height, platform::gfx::Image::ColorSpace::RGB, false,
                                std::move(rgba))
        .encodePng();
}

std::vector<std::uint8_t> jpegOf(int width, int height, const std::vector<std::uint8_t>& rgb) {
    const auto pixels = pixelsOrGrey(width, height, rgb);
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 85, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[] = {
            const_cast<std::uint8_t*>(&pixels[std::size_t(info.next_scanline) * width * 3])};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

std::vector<std::uint8_t> pngHeaderClaiming(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n',
                                       0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    for (std::uint32_t value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(std::uint8_t(value >> shift));
    }
    // Depth 8, RGBA, then a CRC nobody checks before the size.
    for (std::uint8_t b : {8, 6, 0, 0, 0, 0, 0, 0, 0}) bytes.push_back(b);
    return bytes;
}

}  // namespace ads::testing
