#include "app/textures/Texture2D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/base/LogSink.h"
#include "platform/gfx/GLES1.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/RecordingGL.h"

using namespace app;

using platform::gfx::GLCall;
using platform::gfx::Image;
using platform::gfx::RecordingGL;
using platform::gfx::ScopedGL;

namespace {

Image solid(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a,
            bool alpha = true, Image::ColorSpace space = Image::ColorSpace::RGB) {
    std::vector<std::uint8_t> rgba(size_t(w) * h * 4);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i] = r;
        rgba[i + 1] = g;
        rgba[i + 2] = b;
        rgba[i + 3] = a;
    }
    return Image(w, h, space, alpha, std::move(rgba));
}

class Texture2DRecorded : public ::testing::Test {
  protected:
    RecordingGL rec;
    ScopedGL scope{rec};
};

TEST_F(Texture2DRecorded, SizesPicturesToPowersOfTwo) {
    Image picture = solid(100, 60, 1, 2, 3, 255);
    auto texture = Texture2D::createWithImage(&picture, 2.0f);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->pixelsWide(), 128u);
    EXPECT_EQ(texture->pixelsHigh(), 64u);
    EXPECT_FLOAT_EQ(texture->maxS(), 100.0f / 128);
    EXPECT_FLOAT_EQ(texture->maxT(), 60.0f / 64);
    EXPECT_EQ(texture->contentSize(), (platform::Size{50, 30}));
    EXPECT_FLOAT_EQ(texture->contentsScale(), 2.0f);

    Image square = solid(64, 64, 1, 2, 3, 255);
    auto exact = Texture2D::createWithImage(&square, 1.0f);
    EXPECT_EQ(exact->pixelsWide(), 64u);
    EXPECT_FLOAT_EQ(exact->maxS(), 1.0f);
    EXPECT_FLOAT_EQ(exact->maxT(), 1.0f);

    EXPECT_EQ(Texture2D::powerOfTwo(0), 0u);
    EXPECT_EQ(Texture2D::powerOfTwo(1), 1u);
    EXPECT_EQ(Texture2D::powerOfTwo(3), 4u);
    EXPECT_EQ(Texture2D::powerOfTwo(1025), 2048u);
}

TEST_F(Texture2DRecorded, HalvesLargePicturesTogetherWithTheirContentSize) {
    Image wide = solid(3000, 500, 9, 9, 9, 255, false);
    auto texture = Texture2D::createWithImage(&wide, 1.0f);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->pixelsWide(), 1024u);
    EXPECT_EQ(texture->pixelsHigh(), 128u);
    EXPECT_EQ(texture->contentSize(), (platform::Size{750, 125}));

    Image banner = solid(2048, 256, 9, 9, 9, 255, false);
    auto halved = Texture2D::createWithImage(&banner, 1.0f);
    EXPECT_EQ(halved->pixelsWide(), 1024u);
    EXPECT_EQ(halved->pixelsHigh(), 128u);
    EXPECT_EQ(halved->contentSize(), (platform::Size{1024, 128}));

    // A one-pixel side must not halve to an empty texture while the other side shrinks.
    Image needle = solid(1, 5000, 9, 9, 9, 255, false);
    auto thin = Texture2D::createWithImage(&needle, 1.0f);
    ASSERT_NE(thin, nullptr);
    EXPECT_EQ(thin->pixelsWide(), 1u);
    EXPECT_EQ(thin->pixelsHigh(), 1024u);
    EXPECT_FALSE(std::isnan(thin->maxS()));
    EXPECT_LE(thin->maxS(), 1.0f);
}

TEST_F(Texture2DRecorded, ChoosesTheFormatFromThePicture) {
    Image opaque = solid(2, 2, 1, 2, 3, 255, false);
    Image gray = solid(2, 2, 7, 7, 7, 255, false, Image::ColorSpace::Gray);
    Image alpha = solid(2, 2, 1, 2, 3, 100, true);
    Image mask = solid(2, 2, 0, 0, 0, 100, true, Image::ColorSpace::None);
    EXPECT_EQ(Texture2D::createWithImage(&opaque, 1)->format(), Texture2DPixelFormat::RGB565);
    EXPECT_EQ(Texture2D::createWithImage(&gray, 1)->format(), Texture2DPixelFormat::RGB565);
    EXPECT_EQ(Texture2D::createWithImage(&alpha, 1)->format(), Texture2DPixelFormat::RGBA8888);
    auto maskTexture = Texture2D::createWithImage(&mask, 1);
    EXPECT_EQ(maskTexture->format(), Texture2DPixelFormat::A8);
    EXPECT_EQ(maskTexture->pixelFormat(), 3);
    EXPECT_EQ(rec.last("glTexImage2D")->pixels, (std::vector<std::uint8_t>{100, 100, 100, 100}));
}

TEST_F(Texture2DRecorded, UploadsPremultipliedAndPackedPixelsAndRestoresTheBinding) {
    rec.glBindTexture(GL_TEXTURE_2D, 41);
    rec.clear();
    Image picture = solid(3, 1, 200, 100, 50, 128);
    picture.setPixel(1, 0, 255, 255, 255, 0);
    auto texture = Texture2D::createWithImage(&picture, 1.0f);
    ASSERT_NE(texture, nullptr);

    const auto names = rec.names();
    ASSERT_GE(names.size(), 4u);
    EXPECT_EQ(names.front(), "glGenTextures");
    const GLCall* upload = rec.last("glTexImage2D");
    ASSERT_NE(upload, nullptr);
    EXPECT_EQ(upload->args,
              (std::vector<double>{GL_TEXTURE_2D, 0, GL_RGBA, 4, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE}));
    // 200 * 128 / 255 = 100.4, 100 * 128 / 255 = 50.2, 50 * 128 / 255 = 25.1; clear stays clear.
    EXPECT_EQ(upload->pixels, (std::vector<std::uint8_t>{100, 50, 25, 128, 0, 0, 0, 0, 100, 50, 25,
                                                         128, 0, 0, 0, 0}));
    EXPECT_EQ(rec.boundTexture(), 41u) << "the texture bound before is bound again";
    EXPECT_EQ(rec.count("glTexParameteri"), 4);

    Image opaque = solid(2, 1, 0x12, 0x34, 0x56, 255, false);
    opaque.setPixel(1, 0, 0xFF, 0xFF, 0xFF, 255);
    auto packed = Texture2D::createWithImage(&opaque, 1.0f);
    upload = rec.last("glTexImage2D");
    EXPECT_EQ(upload->args[2], GL_RGB);
    EXPECT_EQ(upload->args[7], GL_UNSIGNED_SHORT_5_6_5);
    ASSERT_EQ(upload->pixels.size(), 4u);
    std::uint16_t first = 0, second = 0;
    std::memcpy(&first, &upload->pixels[0], 2);
    std::memcpy(&second, &upload->pixels[2], 2);
    EXPECT_EQ(first, (0x12 >> 3) << 11 | (0x34 >> 2) << 5 | (0x56 >> 3));
    EXPECT_EQ(second, 0xFFFF);
}

TEST_F(Texture2DRecorded, DrawsTheThreeQuadsWithTheirCoordinates) {
    Image picture = solid(100, 60, 1, 2, 3, 255);
    auto texture = Texture2D::createWithImage(&picture, 2.0f);  // 50 x 30 points
    const float s = 100.0f / 128, t = 60.0f / 64;

    rec.clear();
    texture->drawAtPoint({100, 200});
    ASSERT_EQ(rec.names(), (std::vector<std::string>{"glBindTexture", "glVertexPointer",
                                                     "glTexCoordPointer", "glDrawArrays"}));
    EXPECT_EQ(rec.calls()[0].args[1], texture->name());
    const GLCall* draw = rec.last("glDrawArrays");
    EXPECT_EQ(draw->args, (std::vector<double>{GL_TRIANGLE_STRIP, 0, 4}));
    EXPECT_EQ(draw->vertices,
              (std::vector<float>{75, 185, 0, 125, 185, 0, 75, 215, 0, 125, 215, 0}));
    EXPECT_EQ(draw->texCoords, (std::vector<float>{0, t, s, t, 0, 0, s, 0}));

    texture->drawInRect({10, 20, 30, 40});
    draw = rec.last("glDrawArrays");
    EXPECT_EQ(draw->vertices, (std::vector<float>{10, 20, 0, 40, 20, 0, 10, 60, 0, 40, 60, 0}));
    EXPECT_EQ(draw->texCoords, (std::vector<float>{0, t, s, t, 0, 0, s, 0}));

    // The right half of the picture's lower third, in content points from the top.
    texture->drawFromRect({25, 20, 25, 10}, {0, 0, 8, 4});
    draw = rec.last("glDrawArrays");
    EXPECT_EQ(draw->vertices, (std::vector<float>{0, 0, 0, 8, 0, 0, 0, 4, 0, 8, 4, 0}));
    ASSERT_EQ(draw->texCoords.size(), 8u);
    EXPECT_FLOAT_EQ(draw->texCoords[0], s / 2);  // s0
    EXPECT_FLOAT_EQ(draw->texCoords[2], s);      // s1
    EXPECT_FLOAT_EQ(draw->texCoords[1], t);      // t1: the bottom edge at low y
    EXPECT_FLOAT_EQ(draw->texCoords[5], t * 2 / 3);
}

TEST_F(Texture2DRecorded, EdgeMarginsKeepHalfATexelInside) {
    Image picture = solid(64, 32, 1, 2, 3, 255);
    auto texture = Texture2D::createWithImage(&picture, 1.0f);
    texture->setEdgeMarginH(0.5f / 64);
    texture->setEdgeMarginV(0.5f / 32);
    texture->drawInRect({0, 0, 64, 32});
    const std::vector<float> tc = rec.last("glDrawArrays")->texCoords;
    EXPECT_FLOAT_EQ(tc[4], 0.5f / 64);
    EXPECT_FLOAT_EQ(tc[2], 1 - 0.5f / 64);
    EXPECT_FLOAT_EQ(tc[5], 0.5f / 32);
    EXPECT_FLOAT_EQ(tc[1], 1 - 0.5f / 32);
    texture->drawFromRect({0, 0, 64, 32}, {0, 0, 64, 32});
    EXPECT_EQ(rec.last("glDrawArrays")->texCoords, tc);
}

// A GL that reads the arrays late, as a driver that queues commands may: the arrays must still
// hold the quad after the draw call has returned.
class DeferredReadGL : public RecordingGL {
  public:
    const GLfloat* vertices = nullptr;
    const GLfloat* coords = nullptr;
    void glVertexPointer(GLint size, GLenum type, GLsizei stride, const void* ptr) override {
        RecordingGL::glVertexPointer(size, type, stride, ptr);
        vertices = static_cast<const GLfloat*>(ptr);
    }
    void glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const void* ptr) override {
        RecordingGL::glTexCoordPointer(size, type, stride, ptr);
        coords = static_cast<const GLfloat*>(ptr);
    }
};

void smashTheStack() {
    volatile char junk[4096];
    for (size_t i = 0; i < sizeof junk; ++i) junk[i] = char(0xA5);
}

TEST(Texture2D, KeepsItsArraysAliveAfterTheDrawCall) {
    DeferredReadGL deferred;
    ScopedGL scope(deferred);
    Image picture = solid(4, 4, 1, 2, 3, 255);
    auto texture = Texture2D::createWithImage(&picture, 1.0f);
    texture->drawInRect({1, 2, 3, 4});
    smashTheStack();
    ASSERT_NE(deferred.vertices, nullptr);
    const std::vector<float> seen(deferred.vertices, deferred.vertices + 12);
    EXPECT_EQ(seen, (std::vector<float>{1, 2, 0, 4, 2, 0, 1, 6, 0, 4, 6, 0}));
    EXPECT_EQ(deferred.coords[2], 1.0f);
}

TEST_F(Texture2DRecorded, MakesAlphaTexturesOfTexts) {
    auto text = Texture2D::createWithString("Score: 120", {200, 30}, 0, "Arial", 24, 2.0f);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->format(), Texture2DPixelFormat::A8);
    EXPECT_EQ(text->pixelsWide(), 256u);
    EXPECT_EQ(text->pixelsHigh(), 32u);
    EXPECT_EQ(text->contentSize(), (platform::Size{100, 15}));
    const GLCall* upload = rec.last("glTexImage2D");
    EXPECT_EQ(upload->args[2], GL_ALPHA);
    int inked = 0;
    for (auto v : upload->pixels) inked += v > 128;
    EXPECT_GT(inked, 50) << "the text is rendered into the upload";
}

TEST_F(Texture2DRecorded, RefusesTextTexturesLargerThanGLAllows) {
    rec.setMaxTextureSize(256);
    platform::LogSink::Capture log;
    EXPECT_NE(Texture2D::createWithString("ok", {256, 20}, 1, "Arial", 12, 1), nullptr);
    EXPECT_EQ(Texture2D::createWithString("too wide", {257, 20}, 1, "Arial", 12, 1), nullptr);
    EXPECT_EQ(Texture2D::createWithString("absurd", {1e300, 1e300}, 1, "Arial", 12, 1), nullptr);
    EXPECT_TRUE(log.contains("exceeds the maximum texture size 256"));
    EXPECT_EQ(rec.count("glGenTextures"), 1) << "a refused text makes no GL texture";
}

TEST_F(Texture2DRecorded, EmptyTexturesDrawNothingAndHaveNoNaN) {
    auto empty =
        Texture2D::createWithData(nullptr, Texture2DPixelFormat::RGBA8888, 0, 0, {0, 0}, 1);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->maxS(), 0.0f);
    EXPECT_EQ(empty->maxT(), 0.0f);
    auto noBox = Texture2D::createWithString("hidden", {0, 0}, 1, "Arial", 12, 1);
    ASSERT_NE(noBox, nullptr);
    EXPECT_FALSE(std::isnan(noBox->maxS()));
    auto noScale = Texture2D::createWithData(nullptr, Texture2DPixelFormat::A8, 4, 4, {4, 4}, 0);
    EXPECT_EQ(noScale->contentSize(), (platform::Size{4, 4}));
    for (auto* texture : {empty.get(), noBox.get()}) {
        texture->drawAtPoint({1, 1});
        texture->drawInRect({0, 0, 5, 5});
        texture->drawFromRect({0, 0, 1, 1}, {0, 0, 5, 5});
    }
    EXPECT_EQ(rec.count("glDrawArrays"), 0);
}

TEST_F(Texture2DRecorded, RefusesMissingPicturesAndUnknownFormats) {
    platform::LogSink::Capture log;
    EXPECT_EQ(Texture2D::createWithImage(nullptr, 1), nullptr);
    EXPECT_TRUE(log.contains("Image is Null"));
    const Image nothing;
    EXPECT_EQ(Texture2D::createWithImage(&nothing, 1), nullptr);
    EXPECT_EQ(
        Texture2D::createWithData(nullptr, static_cast<Texture2DPixelFormat>(9), 4, 4, {4, 4}, 1),
        nullptr);
    EXPECT_EQ(rec.count("glGenTextures"), 0);
}

TEST_F(Texture2DRecorded, DescribesItselfAndDeletesItsGLTexture) {
    Image picture = solid(100, 60, 1, 2, 3, 255);
    auto texture = Texture2D::createWithImage(&picture, 1.0f);
    const GLuint name = texture->name();
    const std::string text = texture->description();
    EXPECT_EQ(text.rfind("<Texture2D = ", 0), 0u);
    EXPECT_NE(text.find("| Name = " + std::to_string(name) +
                        " | Dimensions = 128x64 | "
                        "Coordinates = (0.78, 0.94)>"),
              std::string::npos)
        << text;
    texture.reset();
    const GLCall* deleted = rec.last("glDeleteTextures");
    ASSERT_NE(deleted, nullptr);
    EXPECT_EQ(deleted->args, (std::vector<double>{1, double(name)}));
}

}  // namespace
