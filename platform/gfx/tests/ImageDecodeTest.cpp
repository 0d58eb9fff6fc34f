#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "platform/gfx/Image.h"

namespace platform::gfx {
namespace {

struct JpegOptions {
    J_COLOR_SPACE space = JCS_RGB;
    int components = 3;
    bool progressive = false;
};

// A JPEG of a w x h picture whose every pixel is `pixel` (components bytes).
std::vector<std::uint8_t> jpegOf(int w, int h, std::vector<std::uint8_t> pixel,
                                 JpegOptions options = {}) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(w);
    info.image_height = JDIMENSION(h);
    info.input_components = options.components;
    info.in_color_space = options.space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    if (options.progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row;
    for (int x = 0; x < w; ++x) row.insert(row.end(), pixel.begin(), pixel.end());
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// The same bytes with the frame header's size replaced, as a hostile file would claim.
std::vector<std::uint8_t> withClaimedSize(std::vector<std::uint8_t> jpeg, unsigned w, unsigned h) {
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = std::uint8_t(h >> 8);
            jpeg[i + 6] = std::uint8_t(h);
            jpeg[i + 7] = std::uint8_t(w >> 8);
            jpeg[i + 8] = std::uint8_t(w);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

void expectNear(const Image& image, int x, int y, int r, int g, int b) {
    const std::uint8_t* p = image.pixel(x, y);
    EXPECT_NEAR(p[0], r, 6);
    EXPECT_NEAR(p[1], g, 6);
    EXPECT_NEAR(p[2], b, 6);
    EXPECT_EQ(p[3], 255);
}

TEST(ImageDecode, TellsPngFromJpegByTheirBytesAndDecodesEveryKindOfJpeg) {
    std::string error;
    auto rgb = Image::decode(jpegOf(24, 16, {200, 40, 10}), &error);
    ASSERT_TRUE(rgb) << error;
    EXPECT_EQ(rgb->width(), 24);
    EXPECT_EQ(rgb->height(), 16);
    EXPECT_FALSE(rgb->hasAlpha());
    EXPECT_EQ(rgb->colorSpace(), Image::ColorSpace::RGB);
    expectNear(*rgb, 23, 15, 200, 40, 10);

    auto progressive = Image::decode(jpegOf(24, 16, {200, 40, 10}, {.progressive = true}), &error);
    ASSERT_TRUE(progressive) << error;
    expectNear(*progressive, 5, 5, 200, 40, 10);

    auto gray =
        Image::decode(jpegOf(8, 8, {90}, {.space = JCS_GRAYSCALE, .components = 1}), &error);
    ASSERT_TRUE(gray) << error;
    EXPECT_EQ(gray->colorSpace(), Image::ColorSpace::Gray);
    expectNear(*gray, 0, 0, 90, 90, 90);

    // libjpeg marks CMYK files as Adobe's, whose inks are stored inverted (255: none): no
    // cyan, full magenta, no yellow and no black is magenta.
    auto cmyk = Image::decode(
        jpegOf(8, 8, {255, 0, 255, 255}, {.space = JCS_CMYK, .components = 4}), &error);
    ASSERT_TRUE(cmyk) << error;
    expectNear(*cmyk, 4, 4, 255, 0, 255);

    auto png = Image::decode(Image::blank(3, 2).encodePng(), &error);
    ASSERT_TRUE(png) << error;
    EXPECT_EQ(png->width(), 3);
    EXPECT_TRUE(png->hasAlpha());
}

TEST(ImageDecode, RefusesJunkCutFilesAndHugeClaimsWithAReason) {
    auto refused = [](const std::vector<std::uint8_t>& bytes) {
        std::string error;
        EXPECT_FALSE(Image::decode(bytes, &error));
        return error;
    };
    EXPECT_FALSE(refused({}).empty());
    EXPECT_NE(refused({'G', 'I', 'F', '8', '9', 'a'}).find("neither"), std::string::npos);
    EXPECT_FALSE(refused({0xFF, 0xD8, 0xFF}).empty());

    const auto jpeg = jpegOf(16, 16, {1, 2, 3});
    EXPECT_FALSE(refused(std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + 40)).empty());
    EXPECT_NE(refused(withClaimedSize(jpeg, 16385, 1)).find("too large"), std::string::npos);
    EXPECT_NE(refused(withClaimedSize(jpeg, 8193, 8193)).find("too large"), std::string::npos);
    EXPECT_NE(refused(Image::blank(16385, 1).encodePng()).find("too large"), std::string::npos);

    // A file cut inside its picture data still shows what arrived, as a browser would.
    auto big = jpegOf(64, 64, {9, 9, 9});
    big.resize(big.size() - 8);
    EXPECT_TRUE(Image::decode(big));
}

std::vector<std::uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Files whose first frame header hides behind an "FF 00", which libjpeg discards as a stuffed
// zero: a reader that takes it for a segment with a length lands on a decoy frame header.
const std::string kDecoys = MOVU_SOURCE_DIR "/fuzz/regressions/ads_native_picture/";

TEST(ImageDecode, TheHeaderSizeIsTheDecodersOwnAndLimitsApplyToItBeforeThePixels) {
    // The decoy claims 65535 x 43; the frame libjpeg decodes is 8 x 43.
    const auto found = fileBytes(kDecoys + "stuffed-zero-decoy-frame.jpg");
    ASSERT_EQ(found.size(), 117u);
    const auto size = Image::readSize(found.data(), found.size());
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 8u);
    EXPECT_EQ(size->height, 43u);
    auto decoded = Image::decode(found);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width(), 8);
    EXPECT_EQ(decoded->height(), 43);

    // A decoy of 64 x 43 in front of a real frame of 8000 x 8000 (256 MB of pixels): refused
    // on the real frame's size, read by the decoder before it reserved anything.
    const auto large = fileBytes(kDecoys + "small-decoy-over-the-cap.jpg");
    const auto largeSize = Image::readSize(large.data(), large.size());
    ASSERT_TRUE(largeSize);
    EXPECT_EQ(largeSize->width, 8000u);
    EXPECT_EQ(largeSize->height, 8000u);
    Image::DecodeFailure failure;
    EXPECT_FALSE(Image::decode(large, Image::Limits{.maxPixels = 16'000'000}, &failure));
    EXPECT_EQ(failure.kind, Image::DecodeFailure::Kind::TooLarge);
    EXPECT_EQ(failure.width, 8000u);
    EXPECT_EQ(failure.height, 8000u);
    EXPECT_EQ(failure.message, "JPEG too large: 8000x8000");

    // A side limit applies to PNGs the same way; within the limits the picture decodes.
    const auto png = Image::blank(300, 2).encodePng();
    EXPECT_FALSE(Image::decode(png, Image::Limits{.maxSide = 299}, &failure));
    EXPECT_EQ(failure.kind, Image::DecodeFailure::Kind::TooLarge);
    EXPECT_EQ(failure.width, 300u);
    EXPECT_EQ(failure.message, "PNG too large: 300x2");
    EXPECT_TRUE(Image::decode(png, Image::Limits{.maxSide = 300, .maxPixels = 600}));
    // A caller cannot raise the decoder's own bounds.
    EXPECT_FALSE(Image::decode(Image::blank(16385, 1).encodePng(),
                               Image::Limits{.maxSide = 1u << 20, .maxPixels = 1u << 30}));

    // The kinds of failure keep apart what is no picture from what is a broken one.
    EXPECT_FALSE(
        Image::decode(std::vector<std::uint8_t>{'G', 'I', 'F'}, Image::Limits{}, &failure));
    EXPECT_EQ(failure.kind, Image::DecodeFailure::Kind::NotAPicture);
    const auto cut = std::vector<std::uint8_t>(found.begin(), found.begin() + 40);
    EXPECT_FALSE(Image::decode(cut, Image::Limits{}, &failure));
    EXPECT_EQ(failure.kind, Image::DecodeFailure::Kind::Unreadable);
    EXPECT_FALSE(Image::readSize(cut.data(), cut.size()));
}

}  // namespace
}  // namespace platform::gfx
