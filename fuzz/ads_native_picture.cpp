// Native ad pictures from any server: the size their header claims is read before anything is
// decoded, and what is decoded is the size claimed and within the native ads' cap.

#include "FuzzSupport.h"
#include "ads/native/GADNativeAdImage.h"
#include "ads/native/GADNativeConstants.h"
#include "ads/native/GADPictureDimensions.h"
#include "platform/gfx/Image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto claimed = ads::GADPictureDimensionsOf(data, size);
    const std::vector<std::uint8_t> bytes(data, data + size);
    const auto image = ads::GADNativeAdImage::decodeImage(bytes, 2.0, "fuzz");
    if (!image) return 0;
    FUZZ_CHECK(claimed);
    FUZZ_CHECK(std::uint64_t(claimed->width) * claimed->height <= ads::kGADNativeAdImageMaxPixels);
    FUZZ_CHECK(image->pixels());
    FUZZ_CHECK(std::uint32_t(image->pixels()->width()) == claimed->width);
    FUZZ_CHECK(std::uint32_t(image->pixels()->height()) == claimed->height);
    FUZZ_CHECK(image->scale() == 2.0);
    return 0;
}
