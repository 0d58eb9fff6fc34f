#include <algorithm>
#include <cmath>
#include <vector>

#include "app/textures/Texture2D.h"
#include "platform/base/LogSink.h"
#include "platform/gfx/GLES1.h"
#include "platform/gfx/TextRaster.h"

namespace app {

std::shared_ptr<Texture2D> Texture2D::createWithString(const std::string& text,
                                                       platform::Size dimensions, int alignment,
                                                       const std::string& fontName, double fontSize,
                                                       float contentsScale) {
    // Whole pixels of the box; nonsense sizes (negative, NaN, astronomic) count as 0 or as
    // "too large" below rather than overflowing.
    auto side = [](double v) -> std::uint64_t {
        if (!(v > 0)) return 0;
        return std::uint64_t(std::min(v, double(1u << 30)));
    };
    const std::uint64_t width = powerOfTwo(side(dimensions.width));
    const std::uint64_t height = powerOfTwo(side(dimensions.height));

    GLint maxSize = 0;
    platform::gfx::gl().glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    // Without an answer (no context) assume the smallest limit devices of the game had.
    if (maxSize <= 0) maxSize = 2048;
    if (width > std::uint64_t(maxSize) || height > std::uint64_t(maxSize)) {
        platform::LogSink::writef(
            "Texture2D: text texture %llux%llu exceeds the maximum texture size %d",
            static_cast<unsigned long long>(width), static_cast<unsigned long long>(height),
            maxSize);
        return nullptr;
    }

    std::vector<std::uint8_t> coverage(width * height, 0);
    if (!coverage.empty()) {
        platform::gfx::TextRaster::Style style;
        style.fontName = fontName;
        style.fontSize = fontSize;
        style.alignment = static_cast<platform::gfx::TextAlignment>(alignment);
        platform::gfx::TextRaster::shared().render(text, dimensions.width, dimensions.height, style,
                                                   coverage.data(), int(width), int(height));
    }
    const platform::Size box{dimensions.width > 0 ? dimensions.width : 0,
                             dimensions.height > 0 ? dimensions.height : 0};
    return createWithData(coverage.data(), Texture2DPixelFormat::A8, width, height, box,
                          contentsScale);
}

}  // namespace app
