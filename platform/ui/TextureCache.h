#pragma once

// The compositor's GL textures for pictures, texts and pixel buffers, made on demand and kept
// while frames use them: what a frame did not ask for is deleted when it ends, so views that
// went away free their textures one frame later. Lives on the thread of the GL context, which
// must be current when it is used and when it is destroyed.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include <GLES/gl.h>

#include "platform/ui/Painter.h"
#include "platform/ui/TextStyle.h"

namespace platform::gfx {
class Image;
}

namespace platform::ui {

struct GLTexture {
    GLuint name = 0;
    int width = 0, height = 0;  // content in pixels
    int potW = 0, potH = 0;     // storage (powers of two, for GL ES 1)
    bool premultiplied = false;
};

class TextureCache {
  public:
    // A wrapped and rasterised text: its coverage (no texture when it is larger than any
    // screen) and the height its lines take in the box, in points.
    struct TextBlock {
        GLTexture texture;
        double height = 0;
    };

    TextureCache() = default;
    ~TextureCache();
    TextureCache(const TextureCache&) = delete;
    TextureCache& operator=(const TextureCache&) = delete;

    void beginFrame() { ++frame_; }
    // Deletes what this frame did not use.
    void endFrame();
    std::size_t size() const { return images_.size() + texts_.size() + pixels_.size(); }

    // The picture's colours, or its alpha alone (a shape drawn in one colour).
    const GLTexture* image(const std::shared_ptr<const gfx::Image>& image, bool shapeOnly);
    // A text in a box `boxWidth` points wide and at most `boxHeight` high, rasterised at
    // `scale` pixels per point. `identity` is the string a view keeps (its text is `text`), or
    // null for a text known only by its content.
    const TextBlock* text(const void* identity, const SharedText& keep, const std::string& text,
                          double boxWidth, double boxHeight, double scale, const TextStyle& style);
    const GLTexture* pixels(const PixelBuffer& buffer);

  private:
    struct ImageEntry {
        GLTexture texture;
        std::shared_ptr<const gfx::Image> keep;  // the address stays this picture's
        unsigned lastFrame = 0;
    };
    struct TextKey {
        const void* identity = nullptr;
        std::string content;  // empty when known by identity
        double boxWidthPx = 0, boxHeight = 0, scale = 0, fontSize = 0;
        bool bold = false;
        int alignment = 0, maxLines = 0;
        auto operator<=>(const TextKey&) const = default;
    };
    struct TextEntry {
        TextBlock block;
        SharedText keep;  // the identity stays this text's
        unsigned lastFrame = 0;
    };
    struct PixelEntry {
        GLTexture texture;
        std::uint64_t generation = 0;
        unsigned lastFrame = 0;
    };

    unsigned frame_ = 0;
    std::map<std::pair<const gfx::Image*, bool>, ImageEntry> images_;
    std::map<TextKey, TextEntry> texts_;
    std::map<std::uint64_t, PixelEntry> pixels_;
};

}  // namespace platform::ui
