#include "ads/native/GADAdLoaderOptions.h"

#include <cstdio>

namespace ads {

std::string GADAdLoaderOptions::description() const {
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    return std::string("<") + className() + ": " + address + ">";
}

std::shared_ptr<GADAdLoaderOptions> GADCorrelatorAdLoaderOptions::copy() const {
    auto copy = create();
    copy->correlator_ = correlator_;
    return copy;
}

std::shared_ptr<GADAdLoaderOptions> GADNativeAdImageAdLoaderOptions::copy() const {
    auto copy = create();
    copy->disableImageLoading = disableImageLoading;
    copy->shouldRequestMultipleImages = shouldRequestMultipleImages;
    copy->preferredImageOrientation = preferredImageOrientation;
    return copy;
}

std::optional<platform::Value::Dictionary> GADNativeAdImageAdLoaderOptions::requestParameters()
    const {
    switch (preferredImageOrientation) {
        case GADNativeAdImageAdLoaderOptionsOrientationPortrait:
            return platform::Value::Dictionary{
                {"native_image_orientation", platform::Value("portrait")}};
        case GADNativeAdImageAdLoaderOptionsOrientationLandscape:
            return platform::Value::Dictionary{
                {"native_image_orientation", platform::Value("landscape")}};
        default:
            return std::nullopt;
    }
}

}  // namespace ads
