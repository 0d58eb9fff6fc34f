#include "platform/gfx/Image.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/testing/TempDir.h"

namespace platform::gfx {
namespace {

// A PNG of the given libpng simplified format, for files of kinds our encoder does not write.
std::vector<std::uint8_t> pngOf(png_uint_32 format, int w, int h,
                                const std::vector<std::uint8_t>& pixels) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = w;
    png.height = h;
    png.format = format;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&png, nullptr, &size, 0, pixels.data(), 0, nullptr);
    std::vector<std::uint8_t> out(size);
    png_image_write_to_memory(&png, out.data(), &size, 0, pixels.data(), 0, nullptr);
    out.resize(size);
    return out;
}

TEST(Image, PngRoundTripKeepsPixelsAndAlpha) {
    Image image = Image::blank(3, 2);
    image.setPixel(0, 0, 255, 0, 0, 255);
    image.setPixel(2, 1, 10, 20, 30, 40);
    image.setPixel(5, 5, 1, 1, 1, 1);  // outside: ignored
    const auto bytes = image.encodePng();
    ASSERT_FALSE(bytes.empty());

    std::string error;
    auto decoded = Image::decodePng(bytes, &error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->width(), 3);
    EXPECT_EQ(decoded->height(), 2);
    EXPECT_TRUE(decoded->hasAlpha());
    EXPECT_EQ(decoded->colorSpace(), Image::ColorSpace::RGB);
    EXPECT_EQ(decoded->rgba(), image.rgba());
}

TEST(Image, ReportsColourSpaceAndAlphaOfTheFile) {
    auto rgb = Image::decodePng(pngOf(PNG_FORMAT_RGB, 1, 1, {9, 8, 7}));
    ASSERT_TRUE(rgb);
    EXPECT_FALSE(rgb->hasAlpha());
    EXPECT_EQ(rgb->colorSpace(), Image::ColorSpace::RGB);
    EXPECT_EQ(rgb->pixel(0, 0)[3], 255);

    auto gray = Image::decodePng(pngOf(PNG_FORMAT_GRAY, 2, 1, {0, 200}));
    ASSERT_TRUE(gray);
    EXPECT_FALSE(gray->hasAlpha());
    EXPECT_EQ(gray->colorSpace(), Image::ColorSpace::Gray);
    EXPECT_EQ(gray->pixel(1, 0)[0], 200);
    EXPECT_EQ(gray->pixel(1, 0)[2], 200);

    auto grayAlpha = Image::decodePng(pngOf(PNG_FORMAT_GA, 1, 1, {100, 50}));
    ASSERT_TRUE(grayAlpha);
    EXPECT_TRUE(grayAlpha->hasAlpha());
    EXPECT_EQ(grayAlpha->pixel(0, 0)[3], 50);

    // An opaque picture is written without an alpha channel and comes back the same way.
    Image opaque(1, 1, Image::ColorSpace::RGB, false, {1, 2, 3, 255});
    auto back = Image::decodePng(opaque.encodePng());
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->hasAlpha());
}

TEST(Image, RejectsBadFilesWithAReason) {
    std::string error;
    EXPECT_FALSE(Image::decodePng(nullptr, 0, &error));
    EXPECT_FALSE(error.empty());

    const std::vector<std::uint8_t> junk{'n', 'o', 't', ' ', 'p', 'n', 'g'};
    error.clear();
    EXPECT_FALSE(Image::decodePng(junk, &error));
    EXPECT_FALSE(error.empty());

    auto good = Image::blank(16, 16).encodePng();
    good.resize(good.size() / 2);
    error.clear();
    EXPECT_FALSE(Image::decodePng(good, &error)) << "a truncated file must not decode";
    EXPECT_FALSE(error.empty());

    error.clear();
    EXPECT_FALSE(Image::loadPng("/nonexistent/picture.png", &error));
    EXPECT_NE(error.find("/nonexistent/picture.png"), std::string::npos);

    EXPECT_TRUE(Image().encodePng().empty());
}

TEST(Image, SavesAtomicallyAndKeepsTheOldFileOnFailure) {
    const platform::testing::TempDir dir;
    const std::string path = (dir / "shot.png").string();
    Image image = Image::blank(2, 2);
    image.setPixel(1, 1, 1, 2, 3, 4);
    std::string error;
    ASSERT_TRUE(image.savePng(path, &error)) << error;
    auto loaded = Image::loadPng(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->rgba(), image.rgba());
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

    EXPECT_FALSE(Image().savePng(path, &error));
    EXPECT_TRUE(Image::loadPng(path)) << "a failed save must leave the old file";
    EXPECT_FALSE(image.savePng((dir / "missing" / "x.png").string(), &error));

    // A link left where a temporary might go leads nowhere.
    const auto victim = dir / "victim.txt";
    { std::ofstream(victim) << "keep me"; }
    std::filesystem::create_symlink(victim, path + ".tmp");
    ASSERT_TRUE(image.savePng(path, &error)) << error;
    std::ifstream in(victim);
    std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, "keep me");
    EXPECT_TRUE(Image::loadPng(path));
}

}  // namespace
}  // namespace platform::gfx
