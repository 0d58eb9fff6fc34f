#include <gtest/gtest.h>

#include <cmath>

#include "app/textures/Texture2D.h"
#include "platform/gfx/GLES1.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/RecordingGL.h"

using namespace app;

namespace {

struct Picture {
    const char* name;
    double width, height;  // points
};

// The game's hit tests use fixed world sizes: a hamburger is taken within 20 points of its
// centre in a 30-point row, so the pictures must stay near these sizes.
constexpr Picture kPictures[] = {
    {"gameover", 240, 64}, {"movucar", 24, 40},   {"gotpts", 56, 26},
    {"circle", 28, 28},    {"hamburger", 28, 26}, {"icon_pause_mini", 30, 30},
};

TEST(GamePictures, EveryResolutionGivesTheSameContentSize) {
    platform::gfx::RecordingGL rec;
    platform::gfx::ScopedGL scope(rec);
    const std::string assets = std::string(MOVU_SOURCE_DIR) + "/assets/";
    const std::pair<const char*, float> variants[] = {
        {"", 1.0f}, {"_cs150", 1.5f}, {"_cs200", 2.0f}};
    for (const Picture& picture : kPictures) {
        for (const auto& [suffix, scale] : variants) {
            const std::string path = assets + picture.name + suffix + ".png";
            std::string error;
            auto image = platform::gfx::Image::loadPng(path, &error);
            ASSERT_TRUE(image) << error;
            EXPECT_TRUE(image->hasAlpha()) << path;
            auto texture = Texture2D::createWithImage(&*image, scale);
            ASSERT_NE(texture, nullptr) << path;
            EXPECT_EQ(texture->format(), Texture2DPixelFormat::RGBA8888) << path;
            EXPECT_NEAR(texture->contentSize().width, picture.width, 0.5) << path;
            EXPECT_NEAR(texture->contentSize().height, picture.height, 0.5) << path;
            // Transparent corners: the pictures are cut-outs, never boxes.
            EXPECT_LT(image->pixel(0, 0)[3], 40) << path;
        }
    }
}

}  // namespace
