// Pictures an MRAID creative asks us to store, from any server: what is decoded keeps to the
// stored pictures' limits (a side, the pixels) and is the size the header reader reports, so
// a decoy header cannot pass a small size off for a large frame.

#include "FuzzSupport.h"
#include "ads/fullscreen/GADMRAIDPicture.h"
#include "platform/gfx/Image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using ads::GADMRAIDPicture;
    const std::vector<std::uint8_t> bytes(data, data + size);
    const auto claimed = GADMRAIDPicture::pictureDimensions(bytes);
    const auto decoded = GADMRAIDPicture::decodePicture(bytes);
    const auto* image = std::get_if<platform::gfx::Image>(&decoded);
    if (!image) {
        FUZZ_CHECK(!std::get<std::string>(decoded).empty());
        return 0;
    }
    FUZZ_CHECK(claimed);
    FUZZ_CHECK(std::uint32_t(image->width()) == claimed->first);
    FUZZ_CHECK(std::uint32_t(image->height()) == claimed->second);
    FUZZ_CHECK(std::uint32_t(image->width()) <= GADMRAIDPicture::kMaxSide);
    FUZZ_CHECK(std::uint32_t(image->height()) <= GADMRAIDPicture::kMaxSide);
    FUZZ_CHECK(std::uint64_t(image->width()) * image->height() <= GADMRAIDPicture::kMaxPixels);
    return 0;
}
