#include "app/textures/Texture2D.h"

#include <cinttypes>
#include <cstdio>

#include "platform/base/LogSink.h"
#include "platform/gfx/GLES1.h"
#include "platform/gfx/TextureSampling.h"

namespace app {

using platform::gfx::gl;

std::uint64_t Texture2D::powerOfTwo(std::uint64_t n) {
    if (n <= 1 || (n & (n - 1)) == 0) return n;
    std::uint64_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

std::shared_ptr<Texture2D> Texture2D::createWithData(const void* data, Texture2DPixelFormat format,
                                                     std::uint64_t width, std::uint64_t height,
                                                     platform::Size contentSizePx,
                                                     float contentsScale) {
    GLenum glFormat = 0;
    GLenum glType = 0;
    std::uint64_t bytesPerPixel = 0;
    switch (format) {
        case Texture2DPixelFormat::RGBA8888:
            glFormat = GL_RGBA;
            glType = GL_UNSIGNED_BYTE;
            bytesPerPixel = 4;
            break;
        case Texture2DPixelFormat::RGB565:
            glFormat = GL_RGB;
            glType = GL_UNSIGNED_SHORT_5_6_5;
            bytesPerPixel = 2;
            break;
        case Texture2DPixelFormat::A8:
            glFormat = GL_ALPHA;
            glType = GL_UNSIGNED_BYTE;
            bytesPerPixel = 1;
            break;
    }
    // Checked before any GL object exists, so a bad format leaks nothing.
    if (glFormat == 0) {
        platform::LogSink::writef("Texture2D: unknown pixel format %d", static_cast<int>(format));
        return nullptr;
    }
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF) return nullptr;

    std::shared_ptr<Texture2D> texture(new Texture2D());
    auto& g = gl();
    g.glGenTextures(1, &texture->name_);
    GLint saved = 0;
    g.glGetIntegerv(GL_TEXTURE_BINDING_2D, &saved);
    g.glBindTexture(GL_TEXTURE_2D, texture->name_);
    platform::gfx::setSmoothClampedSampling(g);
    // Our rows are packed tightly; GL assumes 4-byte rows, which only 1- and 2-pixel-wide A8 and
    // 1-pixel-wide RGB565 textures miss.
    const bool oddRows = (width * bytesPerPixel) % 4 != 0;
    if (oddRows) g.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    g.glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(glFormat), static_cast<GLsizei>(width),
                   static_cast<GLsizei>(height), 0, glFormat, glType, data);
    if (oddRows) g.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    g.glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(saved));

    const float scale = contentsScale > 0 ? contentsScale : 1.0f;
    texture->size_ = {contentSizePx.width / scale, contentSizePx.height / scale};
    texture->width_ = width;
    texture->height_ = height;
    texture->format_ = format;
    // A side of 0 would make these 0 / 0; such a texture draws nothing anyway.
    texture->maxS_ = width ? static_cast<float>(contentSizePx.width / double(width)) : 0.0f;
    texture->maxT_ = height ? static_cast<float>(contentSizePx.height / double(height)) : 0.0f;
    texture->contentsScale_ = scale;
    return texture;
}

Texture2D::~Texture2D() {
    if (name_ != 0) gl().glDeleteTextures(1, &name_);
}

std::string Texture2D::description() const {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer,
                  "<Texture2D = %08" PRIXPTR " | Name = %u | Dimensions = %" PRIu64 "x%" PRIu64
                  " | Coordinates = (%.2f, %.2f)>",
                  reinterpret_cast<std::uintptr_t>(this), name_, width_, height_, maxS_, maxT_);
    return buffer;
}

}  // namespace app
