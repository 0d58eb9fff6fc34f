// Ad size texts of the server ("320x50") and boxed sizes, read by the ads SDK.

#include <cmath>

#include "FuzzSupport.h"
#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADAdType.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::bytes(data, size);
    const platform::Size parsed = ads::CGSizeFromGADAdSizeString(text);
    FUZZ_CHECK(std::isfinite(parsed.width) && std::isfinite(parsed.height));

    const ads::GADAdSize adSize = ads::GADAdSizeFromCGSize(parsed);
    (void)ads::NSStringFromGADAdSize(adSize);
    (void)ads::GADAdSizeIsValidWithError(adSize);
    const platform::Size points = ads::CGSizeFromGADAdSize(adSize);
    FUZZ_CHECK(std::isfinite(points.width) && std::isfinite(points.height));
    (void)ads::GADAdType::bannerAdTypeForSize(adSize).description();

    // Any bytes in a box of the ad-size type.
    ads::GADBoxedValue box{ads::kGADAdSizeTypeEncoding, {data, data + size}};
    const ads::GADAdSize unboxed = ads::GADAdSizeFromNSValue(&box);
    (void)ads::NSStringFromGADAdSize(unboxed);
    (void)ads::GADAdSizeIsValidWithError(unboxed);
    (void)ads::CGSizeFromGADAdSize(unboxed);
    return 0;
}
