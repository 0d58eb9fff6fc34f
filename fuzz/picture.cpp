// Pictures from servers (ad images, banners): PNG or JPEG, told apart by their bytes. The
// size read from the header alone is the size decoded.

#include "FuzzSupport.h"
#include "platform/gfx/Image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    auto image = platform::gfx::Image::decode(data, size, &error);
    if (!image) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(image->width() > 0 && image->width() <= platform::gfx::Image::kMaxSide);
    FUZZ_CHECK(image->height() > 0 && image->height() <= platform::gfx::Image::kMaxSide);
    FUZZ_CHECK(image->rgba().size() ==
               static_cast<std::size_t>(image->width()) * image->height() * 4);
    const auto header = platform::gfx::Image::readSize(data, size);
    FUZZ_CHECK(header);
    FUZZ_CHECK(header->width == std::uint32_t(image->width()));
    FUZZ_CHECK(header->height == std::uint32_t(image->height()));
    return 0;
}
