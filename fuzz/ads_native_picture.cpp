// Native ad pictures from any server: the size their header claims is the size the decoder
// decodes, and what is decoded is within the native ads' cap. A picture refused as too large
// is refused on the frame the decoder read, which is over the cap.

#include "FuzzSupport.h"
#include "ads/native/GADNativeAdImage.h"
#include "ads/native/GADNativeConstants.h"
#include "ads/native/GADPictureDimensions.h"
#include "platform/gfx/Image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto claimed = ads::GADPictureDimensionsOf(data, size);
    const std::vector<std::uint8_t> bytes(data, data + size);
    platform::gfx::Image::DecodeFailure failure;
    const auto image = ads::GADNativeAdImage::decodeImage(bytes, 2.0, "fuzz", &failure);
    if (!image) {
        if (failure.kind == platform::gfx::Image::DecodeFailure::Kind::TooLarge) {
            FUZZ_CHECK(claimed);
            FUZZ_CHECK(claimed->width == failure.width && claimed->height == failure.height);
            FUZZ_CHECK(std::uint64_t(failure.width) * failure.height >
                           ads::kGADNativeAdImageMaxPixels ||
                       failure.width > std::uint32_t(platform::gfx::Image::kMaxSide) ||
                       failure.height > std::uint32_t(platform::gfx::Image::kMaxSide) ||
                       failure.width == 0 || failure.height == 0);
        }
        return 0;
    }
    FUZZ_CHECK(claimed);
    FUZZ_CHECK(std::uint64_t(claimed->width) * claimed->height <= ads::kGADNativeAdImageMaxPixels);
    FUZZ_CHECK(image->pixels());
    FUZZ_CHECK(std::uint32_t(image->pixels()->width()) == claimed->width);
    FUZZ_CHECK(std::uint32_t(image->pixels()->height()) == claimed->height);
    FUZZ_CHECK(image->scale() == 2.0);
    return 0;
}
