#include "platform/ui/TextureCache.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gfx/GLES1.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/TextRaster.h"
#include "platform/gfx/TextureSampling.h"

namespace platform::ui {

using gfx::gl;

namespace {

// Nothing larger is drawn: no screen is, and sizes stay far from int overflow.
constexpr int kMaxTexturePixels = 4096;

int pot(int n) {
    int p = 1;
    while (p < n) p <<= 1;
    return p;
}

// A bound texture of power-of-two size with undefined contents, smoothed and clamped at the
// edges, ready for the content to be copied into its corner.
GLTexture newTexture(GLenum format, int width, int height, bool premultiplied) {
    GLTexture t;
    t.width = width;
    t.height = height;
    t.potW = pot(width);
    t.potH = pot(height);
    t.premultiplied = premultiplied;
    auto& g = gl();
    g.glGenTextures(1, &t.name);
    g.glBindTexture(GL_TEXTURE_2D, t.name);
    gfx::setSmoothClampedSampling(g);
    g.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    g.glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), t.potW, t.potH, 0, format,
                   GL_UNSIGNED_BYTE, nullptr);
    return t;
}

// Copies the content into the corner of the bound texture and repeats its last column and row
// once beside it: a smoothed quad samples one texel past the content's right and bottom edges,
// and the storage's undefined rest there would bleed into those edges (a faint line of
// whatever lies beneath along a banner's right and bottom sides).
void upload(const GLTexture& t, GLenum format, int bytesPerPixel, const std::uint8_t* data) {
    auto& g = gl();
    g.glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, t.width, t.height, format, GL_UNSIGNED_BYTE, data);
    const std::size_t pixel = std::size_t(bytesPerPixel);
    const std::size_t stride = std::size_t(t.width) * pixel;
    const std::uint8_t* lastRow = data + std::size_t(t.height - 1) * stride;
    if (t.potW > t.width) {
        std::vector<std::uint8_t> column(std::size_t(t.height) * pixel);
        for (std::size_t y = 0; y < std::size_t(t.height); ++y)
            std::copy_n(data + y * stride + stride - pixel, pixel, column.data() + y * pixel);
        g.glTexSubImage2D(GL_TEXTURE_2D, 0, t.width, 0, 1, t.height, format, GL_UNSIGNED_BYTE,
                          column.data());
    }
    if (t.potH > t.height) {
        g.glTexSubImage2D(GL_TEXTURE_2D, 0, 0, t.height, t.width, 1, format, GL_UNSIGNED_BYTE,
                          lastRow);
        if (t.potW > t.width)
            g.glTexSubImage2D(GL_TEXTURE_2D, 0, t.width, t.height, 1, 1, format, GL_UNSIGNED_BYTE,
                              lastRow + stride - pixel);
    }
}

void deleteTexture(GLTexture& t) {
    if (t.name) gl().glDeleteTextures(1, &t.name);
    t.name = 0;
}

gfx::TextRaster::Style rasterStyle(const TextStyle& style, double scale) {
    gfx::TextRaster::Style s;
    s.fontName = style.font.bold ? "Helvetica-Bold" : "Helvetica";
    s.fontSize = style.font.size * scale;
    s.alignment = gfx::TextAlignment(int(style.alignment));
    return s;
}

template <typename Map>
void evict(Map& map, unsigned frame) {
    for (auto it = map.begin(); it != map.end();) {
        if (it->second.lastFrame != frame) {
            if constexpr (requires { it->second.block; })
                deleteTexture(it->second.block.texture);
            else
                deleteTexture(it->second.texture);
            it = map.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace

TextureCache::~TextureCache() {
    for (auto& [_, e] : images_) deleteTexture(e.texture);
    for (auto& [_, e] : texts_) deleteTexture(e.block.texture);
    for (auto& [_, e] : pixels_) deleteTexture(e.texture);
}

void TextureCache::endFrame() {
    evict(images_, frame_);
    evict(texts_, frame_);
    evict(pixels_, frame_);
}

const GLTexture* TextureCache::image(const std::shared_ptr<const gfx::Image>& image,
                                     bool shapeOnly) {
    if (!image || image->empty()) return nullptr;
    auto key = std::make_pair(image.get(), shapeOnly);
    if (auto it = images_.find(key); it != images_.end()) {
        it->second.lastFrame = frame_;
        return &it->second.texture;
    }
    std::vector<std::uint8_t> alpha;
    if (shapeOnly) {
        alpha.resize(std::size_t(image->width()) * std::size_t(image->height()));
        for (std::size_t i = 0; i < alpha.size(); ++i) alpha[i] = image->rgba()[i * 4 + 3];
    }
    const GLenum format = shapeOnly ? GL_ALPHA : GL_RGBA;
    ImageEntry e;
    e.texture = newTexture(format, image->width(), image->height(), false);
    upload(e.texture, format, shapeOnly ? 1 : 4, shapeOnly ? alpha.data() : image->rgba().data());
    e.keep = image;
    e.lastFrame = frame_;
    return &(images_[key] = std::move(e)).texture;
}

const TextureCache::TextBlock* TextureCache::text(const void* identity, const SharedText& keep,
                                                  const std::string& text, double boxWidth,
                                                  double boxHeight, double scale,
                                                  const TextStyle& style) {
    TextKey key;
    key.identity = identity;
    if (!identity) key.content = text;
    key.boxWidthPx = boxWidth * scale;
    key.boxHeight = boxHeight;
    key.scale = scale;
    key.fontSize = style.font.size;
    key.bold = style.font.bold;
    key.alignment = int(style.alignment);
    key.maxLines = style.maxLines;
    if (auto it = texts_.find(key); it != texts_.end()) {
        it->second.lastFrame = frame_;
        return &it->second.block;
    }

    // Wrapping and rasterising are what a long text costs: done once per text and box.
    auto raster = rasterStyle(style, scale);
    std::size_t lines = gfx::TextRaster::shared().wrap(text, key.boxWidthPx, raster).size();
    if (style.maxLines > 0) lines = std::min<std::size_t>(lines, std::size_t(style.maxLines));
    lines = std::max<std::size_t>(lines, 1);
    TextEntry e;
    e.block.height = std::min(boxHeight, style.font.size * 1.2 * double(lines));
    e.keep = keep;
    e.lastFrame = frame_;
    if (key.boxWidthPx <= kMaxTexturePixels && e.block.height * scale <= kMaxTexturePixels) {
        int w = int(std::ceil(key.boxWidthPx)), h = int(std::ceil(e.block.height * scale));
        if (w > 0 && h > 0) {
            auto coverage = gfx::TextRaster::shared().render(text, w, h, raster);
            e.block.texture = newTexture(GL_ALPHA, w, h, false);
            if (coverage.size() >= std::size_t(w) * std::size_t(h))
                upload(e.block.texture, GL_ALPHA, 1, coverage.data());
        }
    }
    return &texts_.emplace(std::move(key), std::move(e)).first->second.block;
}

const GLTexture* TextureCache::pixels(const PixelBuffer& buffer) {
    if (!buffer.rgba || buffer.width <= 0 || buffer.height <= 0 ||
        buffer.width > kMaxTexturePixels || buffer.height > kMaxTexturePixels)
        return nullptr;
    auto& e = pixels_[buffer.id];
    bool fresh = !e.texture.name;
    if (!fresh && (e.texture.width != buffer.width || e.texture.height != buffer.height ||
                   e.texture.premultiplied != buffer.premultiplied)) {
        deleteTexture(e.texture);
        fresh = true;
    }
    if (fresh) e.texture = newTexture(GL_RGBA, buffer.width, buffer.height, buffer.premultiplied);
    if (fresh || e.generation != buffer.generation) {
        auto& g = gl();
        g.glBindTexture(GL_TEXTURE_2D, e.texture.name);
        g.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        upload(e.texture, GL_RGBA, 4, buffer.rgba);
        e.generation = buffer.generation;
    }
    e.lastFrame = frame_;
    return &e.texture;
}

}  // namespace platform::ui
