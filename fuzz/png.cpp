// PNG pictures: the bundle's images and the announcement banners a server sends.

#include "FuzzSupport.h"
#include "platform/gfx/Image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    auto image = platform::gfx::Image::decodePng(data, size, &error);
    if (!image) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(image->rgba().size() ==
               static_cast<std::size_t>(image->width()) * image->height() * 4);
    // Whatever we decode we can store again.
    if (image->width() * static_cast<long>(image->height()) <= 512 * 512) {
        auto png = image->encodePng();
        FUZZ_CHECK(!png.empty());
        auto again = platform::gfx::Image::decodePng(png);
        FUZZ_CHECK(again && again->width() == image->width() && again->height() == image->height());
    }
    return 0;
}
