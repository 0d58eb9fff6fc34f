#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <GLES/gl.h>

#include "appbase/ShellInterfaces.h"
#include "platform/base/Geometry.h"

namespace platform::gfx {
class Image;
}

namespace app {

enum class Texture2DPixelFormat : int32_t {
    RGBA8888 = 1,  // GL_RGBA / GL_UNSIGNED_BYTE, premultiplied
    RGB565 = 2,    // GL_RGB / GL_UNSIGNED_SHORT_5_6_5
    A8 = 3,        // GL_ALPHA / GL_UNSIGNED_BYTE
};

// The game's one image type: a GL ES 1 texture made from pixels, a decoded picture or a text,
// remembering how much of its power-of-two storage the picture fills, drawn as a textured quad.
// Pictures sit in the top rows of the texture (t = 0 is the picture's top edge) and colour
// pixels are premultiplied, which is what the game's blending expects. Made and drawn on the main
// thread with the game's context current; every GL call goes through platform::gfx::gl().
class Texture2D final : public JTAppBase::ShellTexture {
  public:
    // The texture of width x height pixels (`data` in the format's layout, rows top first), of
    // which the picture fills contentSizePx at the top left. nullptr for an unknown format.
    static std::shared_ptr<Texture2D> createWithData(const void* data, Texture2DPixelFormat format,
                                                     std::uint64_t width, std::uint64_t height,
                                                     platform::Size contentSizePx,
                                                     float contentsScale);
    // A picture's texture: A8 for a mask, RGBA8888 for a picture with alpha, else RGB565; sides
    // rounded up to powers of two and halved (with the picture) while one exceeds 1024.
    // nullptr, with "Image is Null" logged, for no picture.
    static std::shared_ptr<Texture2D> createWithImage(const platform::gfx::Image* image,
                                                      float contentsScale);
    // An A8 texture of a text laid out from the top of a box (pixels) with word wrapping;
    // alignment 0 left, 1 centred, 2 right. The text's coverage is the alpha; the colour comes
    // from the GL colour when drawn. nullptr, with a log line, when the box needs a texture
    // larger than GL allows.
    static std::shared_ptr<Texture2D> createWithString(const std::string& text,
                                                       platform::Size dimensions, int alignment,
                                                       const std::string& fontName, double fontSize,
                                                       float contentsScale);
    ~Texture2D() override;

    Texture2D(const Texture2D&) = delete;
    Texture2D& operator=(const Texture2D&) = delete;

    // ShellTexture: the format's number, the picture's size in points, and the three draws
    // (origin bottom left; the caller has enabled texturing and the vertex and texture-coordinate
    // arrays). A texture whose picture or storage has a side of 0 draws nothing.
    int pixelFormat() const override { return static_cast<int>(format_); }
    platform::Size contentSize() const override { return size_; }
    void drawAtPoint(platform::Point point) override;  // centred on the point
    void drawInRect(platform::Rect rect) override;
    // `source` in content points from the picture's top left.
    void drawFromRect(platform::Rect source, platform::Rect destination) override;

    Texture2DPixelFormat format() const { return format_; }
    std::uint64_t pixelsWide() const { return width_; }
    std::uint64_t pixelsHigh() const { return height_; }
    GLuint name() const { return name_; }
    float maxS() const { return maxS_; }
    float maxT() const { return maxT_; }
    float contentsScale() const { return contentsScale_; }
    // Texture-coordinate insets on each side (half a texel keeps neighbours from bleeding in).
    float edgeMarginH() const { return edgeMarginH_; }
    float edgeMarginV() const { return edgeMarginV_; }
    void setEdgeMarginH(float margin) { edgeMarginH_ = margin; }
    void setEdgeMarginV(float margin) { edgeMarginV_ = margin; }

    // n itself when it is 0, 1 or a power of two, else the least power of two above it.
    static std::uint64_t powerOfTwo(std::uint64_t n);

    // "<Texture2D = 0x... | Name = 1 | Dimensions = 128x64 | Coordinates = (0.78, 0.94)>"
    std::string description() const;

  private:
    Texture2D() = default;
    bool isEmpty() const;
    void drawQuad(float x0, float y0, float x1, float y1, float s0, float t0, float s1, float t1);

    GLuint name_ = 0;
    platform::Size size_;
    std::uint64_t width_ = 0;
    std::uint64_t height_ = 0;
    Texture2DPixelFormat format_ = Texture2DPixelFormat::RGBA8888;
    float maxS_ = 0;
    float maxT_ = 0;
    float edgeMarginH_ = 0;
    float edgeMarginV_ = 0;
    float contentsScale_ = 1;
    // GL reads the arrays when it draws, so they live with the texture, not on a call's stack.
    GLfloat vertices_[12] = {};
    GLfloat coordinates_[8] = {};
};

}  // namespace app
