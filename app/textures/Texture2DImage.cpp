#include <cstring>
#include <vector>

#include "app/textures/Texture2D.h"
#include "platform/base/LogSink.h"
#include "platform/gfx/Image.h"

namespace app {

namespace {

constexpr std::uint64_t kMaxSide = 1024;

// The picture drawn into a width x height premultiplied RGBA buffer at the top left, shrunk by
// `factor` (a power of two): each target pixel is the average of a factor x factor block, and
// parts of a block outside the picture count as transparent, as a scaled draw into a cleared
// bitmap gives.
std::vector<std::uint8_t> drawPremultiplied(const platform::gfx::Image& image, std::uint64_t width,
                                            std::uint64_t height, std::uint64_t factor) {
    std::vector<std::uint8_t> out(width * height * 4, 0);
    const std::uint64_t imageW = std::uint64_t(image.width());
    const std::uint64_t imageH = std::uint64_t(image.height());
    const std::uint64_t drawW = std::min(width, (imageW + factor - 1) / factor);
    const std::uint64_t drawH = std::min(height, (imageH + factor - 1) / factor);
    if (factor == 1) {
        // The common case: a straight copy with the colour premultiplied.
        for (std::uint64_t y = 0; y < drawH; ++y) {
            const std::uint8_t* source = image.pixel(0, int(y));
            std::uint8_t* target = &out[y * width * 4];
            for (std::uint64_t x = 0; x < drawW; ++x, source += 4, target += 4) {
                const unsigned a = image.hasAlpha() ? source[3] : 255;
                target[0] = std::uint8_t((source[0] * a + 127) / 255);
                target[1] = std::uint8_t((source[1] * a + 127) / 255);
                target[2] = std::uint8_t((source[2] * a + 127) / 255);
                target[3] = std::uint8_t(a);
            }
        }
        return out;
    }
    const std::uint64_t area = factor * factor;
    for (std::uint64_t y = 0; y < drawH; ++y) {
        for (std::uint64_t x = 0; x < drawW; ++x) {
            std::uint64_t sum[4] = {0, 0, 0, 0};
            for (std::uint64_t sy = y * factor; sy < std::min(imageH, (y + 1) * factor); ++sy) {
                for (std::uint64_t sx = x * factor; sx < std::min(imageW, (x + 1) * factor); ++sx) {
                    const std::uint8_t* p = image.pixel(int(sx), int(sy));
                    const unsigned a = image.hasAlpha() ? p[3] : 255;
                    sum[0] += (p[0] * a + 127) / 255;
                    sum[1] += (p[1] * a + 127) / 255;
                    sum[2] += (p[2] * a + 127) / 255;
                    sum[3] += a;
                }
            }
            std::uint8_t* target = &out[(y * width + x) * 4];
            for (int c = 0; c < 4; ++c) target[c] = std::uint8_t((sum[c] + area / 2) / area);
        }
    }
    return out;
}

}  // namespace

std::shared_ptr<Texture2D> Texture2D::createWithImage(const platform::gfx::Image* image,
                                                      float contentsScale) {
    if (!image || image->empty()) {
        platform::LogSink::write("Image is Null");
        return nullptr;
    }
    Texture2DPixelFormat format = Texture2DPixelFormat::RGB565;
    if (image->colorSpace() == platform::gfx::Image::ColorSpace::None) {
        format = Texture2DPixelFormat::A8;
    } else if (image->hasAlpha()) {
        format = Texture2DPixelFormat::RGBA8888;
    }

    platform::Size picture{double(image->width()), double(image->height())};
    std::uint64_t width = powerOfTwo(std::uint64_t(image->width()));
    std::uint64_t height = powerOfTwo(std::uint64_t(image->height()));
    std::uint64_t factor = 1;
    while (width > kMaxSide || height > kMaxSide) {
        // Never down to 0: a 1-pixel side stays 1 while the other one shrinks.
        width = std::max<std::uint64_t>(1, width >> 1);
        height = std::max<std::uint64_t>(1, height >> 1);
        factor <<= 1;
        picture.width /= 2;
        picture.height /= 2;
    }
    picture.width = std::min(picture.width, double(width));
    picture.height = std::min(picture.height, double(height));

    const std::vector<std::uint8_t> rgba = drawPremultiplied(*image, width, height, factor);
    const std::uint64_t pixels = width * height;
    std::vector<std::uint8_t> data;
    switch (format) {
        case Texture2DPixelFormat::RGBA8888:
            return createWithData(rgba.data(), format, width, height, picture, contentsScale);
        case Texture2DPixelFormat::RGB565: {
            data.resize(pixels * 2);
            for (std::uint64_t i = 0; i < pixels; ++i) {
                const std::uint8_t* p = &rgba[i * 4];
                const std::uint16_t packed =
                    std::uint16_t((p[0] >> 3) << 11 | (p[1] >> 2) << 5 | (p[2] >> 3));
                std::memcpy(&data[i * 2], &packed, 2);
            }
            break;
        }
        case Texture2DPixelFormat::A8:
            data.resize(pixels);
            for (std::uint64_t i = 0; i < pixels; ++i) data[i] = rgba[i * 4 + 3];
            break;
    }
    return createWithData(data.data(), format, width, height, picture, contentsScale);
}

}  // namespace app
