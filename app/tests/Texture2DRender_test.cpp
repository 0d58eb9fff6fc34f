#include <gtest/gtest.h>

#include <cstdlib>

#include "app/testsupport/PixelProjection.h"
#include "app/textures/Texture2D.h"
#include "platform/gfx/GLES1.h"
#include "platform/gfx/HeadlessContext.h"
#include "platform/gfx/Image.h"

using namespace app;

using platform::gfx::gl;
using platform::gfx::HeadlessContext;
using platform::gfx::Image;

namespace {

// Draws textures the way the game view sets GL up: y upwards, texturing and both arrays on,
// premultiplied blending, colour white.
class Texture2DRender : public ::testing::Test {
  protected:
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 128;

    void SetUp() override {
        std::string error;
        context_ = HeadlessContext::create(kWidth, kHeight, &error);
        ASSERT_NE(context_, nullptr) << error;
        auto& g = gl();
        SetPixelProjection(kWidth, kHeight);
        g.glClearColor(0, 0, 0, 1);
        g.glClear(GL_COLOR_BUFFER_BIT);
        g.glEnable(GL_TEXTURE_2D);
        g.glEnableClientState(GL_VERTEX_ARRAY);
        g.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        g.glEnable(GL_BLEND);
        g.glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        g.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        g.glColor4f(1, 1, 1, 1);
    }

    // A pixel of the frame in GL's coordinates (y upwards).
    const std::uint8_t* at(int x, int y) {
        if (!frame_ || frameDirty_) {
            frame_ = context_->readPixels();
            frameDirty_ = false;
        }
        return frame_->pixel(x, kHeight - 1 - y);
    }
    void drew() { frameDirty_ = true; }

    void expectColor(int x, int y, int r, int g, int b, int tolerance = 1) {
        const std::uint8_t* p = at(x, y);
        EXPECT_NEAR(p[0], r, tolerance) << "red at " << x << "," << y;
        EXPECT_NEAR(p[1], g, tolerance) << "green at " << x << "," << y;
        EXPECT_NEAR(p[2], b, tolerance) << "blue at " << x << "," << y;
    }

    std::unique_ptr<HeadlessContext> context_;
    std::optional<Image> frame_;
    bool frameDirty_ = true;
};

Image filled(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a,
             bool alpha) {
    Image image(w, h, Image::ColorSpace::RGB, alpha, {});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, r, g, b, a);
    return image;
}

TEST_F(Texture2DRender, BlendsPremultipliedPixels) {
    auto& g = gl();
    g.glClearColor(1, 1, 1, 1);
    g.glClear(GL_COLOR_BUFFER_BIT);
    Image half = filled(8, 8, 200, 100, 50, 128, true);
    auto texture = Texture2D::createWithImage(&half, 1);
    texture->drawInRect({0, 0, 8, 8});
    drew();
    // ONE / ONE_MINUS_SRC_ALPHA over white: premultiplied colour + 255 * (127 / 255).
    expectColor(4, 4, 100 + 127, 50 + 127, 25 + 127, 2);

    // Straight pixels would have come out as 200 + 127 (clamped) in red.
    g.glDisable(GL_BLEND);
    g.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    texture->drawInRect({20, 0, 8, 8});
    drew();
    expectColor(24, 4, 100, 50, 25);
    EXPECT_NEAR(at(24, 4)[3], 128, 1);
}

TEST_F(Texture2DRender, PacksOpaquePicturesAsRGB565) {
    Image opaque = filled(4, 4, 0x12, 0x34, 0x56, 255, false);
    auto texture = Texture2D::createWithImage(&opaque, 1);
    ASSERT_EQ(texture->format(), Texture2DPixelFormat::RGB565);
    texture->drawInRect({0, 0, 4, 4});
    drew();
    // 5 and 6 bits expanded back to 8: 2/31, 13/63, 10/31 of full scale.
    expectColor(2, 2, 16, 53, 82, 1);
}

TEST_F(Texture2DRender, PutsThePictureInTheTopRows) {
    // 100 x 60: green top half, red bottom half, in a 128 x 64 texture.
    Image picture = filled(100, 60, 255, 0, 0, 255, true);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 100; ++x) picture.setPixel(x, y, 0, 255, 0, 255);
    auto texture = Texture2D::createWithImage(&picture, 1);
    ASSERT_EQ(texture->pixelsHigh(), 64u);

    // Show the whole storage, t = 0 at the top of the quad.
    auto& g = gl();
    const float v[] = {0, 0, 0, 128, 0, 0, 0, 64, 0, 128, 64, 0};
    const float t[] = {0, 1, 1, 1, 0, 0, 1, 0};
    g.glBindTexture(GL_TEXTURE_2D, texture->name());
    g.glVertexPointer(3, GL_FLOAT, 0, v);
    g.glTexCoordPointer(2, GL_FLOAT, 0, t);
    g.glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    drew();
    expectColor(50, 62, 0, 255, 0);  // picture top at the storage's top row
    expectColor(50, 40, 0, 255, 0);
    expectColor(50, 10, 255, 0, 0);  // the picture's bottom rows
    expectColor(50, 1, 0, 0, 0);     // rows 60..63 of the storage are empty
    expectColor(120, 50, 0, 0, 0);   // so are columns 100..127

    // drawInRect shows just the picture, upright.
    texture->drawInRect({150, 0, 100, 60});
    drew();
    expectColor(200, 55, 0, 255, 0);
    expectColor(200, 5, 255, 0, 0);
}

TEST_F(Texture2DRender, HalvesA3000By500Picture) {
    // Left half red, right half blue, a green band along the top.
    Image big = filled(3000, 500, 255, 0, 0, 255, false);
    for (int y = 0; y < 500; ++y)
        for (int x = 1500; x < 3000; ++x) big.setPixel(x, y, 0, 0, 255, 255);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 3000; ++x) big.setPixel(x, y, 0, 255, 0, 255);
    auto texture = Texture2D::createWithImage(&big, 1);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->pixelsWide(), 1024u);
    EXPECT_EQ(texture->pixelsHigh(), 128u);
    EXPECT_EQ(texture->contentSize(), (platform::Size{750, 125}));

    texture->drawInRect({0, 0, 240, 40});
    drew();
    expectColor(40, 10, 255, 0, 0, 3);
    expectColor(200, 10, 0, 0, 255, 3);
    expectColor(40, 37, 0, 255, 0, 3);  // the band: the top fifth
    expectColor(200, 37, 0, 255, 0, 3);
    expectColor(250, 10, 0, 0, 0, 0);  // nothing beyond the rectangle
}

TEST_F(Texture2DRender, DrawsEachCallIntoItsRectangle) {
    // Four quadrants: red top left, green top right, blue bottom left, white bottom right.
    Image quads = filled(16, 16, 255, 255, 255, 255, false);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) quads.setPixel(x, y, x < 8 ? 255 : 0, x < 8 ? 0 : 255, 0, 255);
    for (int y = 8; y < 16; ++y)
        for (int x = 0; x < 8; ++x) quads.setPixel(x, y, 0, 0, 255, 255);
    auto texture = Texture2D::createWithImage(&quads, 2);  // 8 x 8 points
    ASSERT_EQ(texture->contentSize(), (platform::Size{8, 8}));

    texture->drawAtPoint({50, 40});  // covers 46..54 x 36..44
    drew();
    expectColor(47, 43, 255, 0, 0);
    expectColor(53, 43, 0, 255, 0);
    expectColor(47, 37, 0, 0, 255);
    expectColor(53, 37, 255, 255, 255);
    expectColor(45, 40, 0, 0, 0);
    expectColor(55, 40, 0, 0, 0);
    expectColor(50, 35, 0, 0, 0);
    expectColor(50, 45, 0, 0, 0);

    texture->drawInRect({100, 10, 40, 20});  // stretched
    drew();
    expectColor(101, 29, 255, 0, 0);
    expectColor(139, 11, 255, 255, 255);
    expectColor(99, 20, 0, 0, 0);
    expectColor(141, 20, 0, 0, 0);
    expectColor(120, 31, 0, 0, 0);

    // Only the top-right quadrant (content points from the top left), into 10 x 10.
    texture->drawFromRect({4, 0, 4, 4}, {200, 60, 10, 10});
    drew();
    for (int y = 61; y < 70; y += 4)
        for (int x = 201; x < 210; x += 4) expectColor(x, y, 0, 255, 0, 2);
    expectColor(211, 65, 0, 0, 0);
}

TEST_F(Texture2DRender, RendersTextWithEachAlignment) {
    const char* text = "Score: 120";
    struct Ink {
        int left = 1000, right = -1, top = -1;
    };
    auto inkIn = [&](int y0, int y1) {
        Ink ink;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (at(x, y)[0] > 128) {
                    ink.left = std::min(ink.left, x);
                    ink.right = std::max(ink.right, x);
                    ink.top = std::max(ink.top, y);
                }
        return ink;
    };
    // Three labels of 200 x 32 stacked: left, centred, right.
    for (int alignment = 0; alignment < 3; ++alignment) {
        auto label = Texture2D::createWithString(text, {200, 32}, alignment, "Arial", 20, 1);
        ASSERT_NE(label, nullptr);
        label->drawInRect({0, double(96 - 32 * alignment), 200, 32});
    }
    drew();
    const Ink left = inkIn(96, 128), centre = inkIn(64, 96), right = inkIn(32, 64);
    ASSERT_GE(left.right, 0) << "the text shows";
    EXPECT_LE(left.left, 2);
    EXPECT_GE(right.right, 196);
    EXPECT_LE(right.right, 199);
    EXPECT_NEAR(centre.left, 199 - centre.right, 2);
    EXPECT_EQ(left.right - left.left, right.right - right.left);
    // Laid out from the top of its box: the ink starts a few pixels below the box's top edge.
    EXPECT_GE(left.top, 128 - 8);
    EXPECT_LE(left.top, 127);
    expectColor(220, 110, 0, 0, 0);  // nothing drawn right of the box
}

}  // namespace
