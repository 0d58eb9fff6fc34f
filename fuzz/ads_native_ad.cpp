// A native support page's answer, as untrusted as the server's ad it came from: the format
// class it selects, the ad's tracking URLs, its images and its attribution badge, and the
// click message written back to the page.

#include <cmath>

#include "FuzzSupport.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/native/GADAdLoaderOptions.h"
#include "ads/native/GADNativeAd.h"
#include "ads/native/GADNativeAdAttribution.h"
#include "ads/native/GADNativeAdImage.h"
#include "platform/storage/Json.h"

namespace {

class FuzzedNativeAd : public ads::GADNativeAd {
  public:
    explicit FuzzedNativeAd(const platform::Value& adObject) : GADNativeAd(adObject) {}
};

bool sane(double seconds) {
    return std::isfinite(seconds) && seconds >= ads::GADNativeAdAttribution::kMinimumSeconds;
}

bool inUnitRange(const platform::Color& c) {
    for (float part : {c.r, c.g, c.b, c.a}) {
        if (!(part >= 0 && part <= 1)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto configuration = platform::Json::parse(fuzz::bytes(data, size));
    if (!configuration) return 0;
    ads::GADNativeAd::classFromAdConfigurationDictionary(*configuration);
    const auto adObject =
        ads::GADNativeAd::firstAdObjectInAdConfigurationDictionary(*configuration);
    if (!adObject) return 0;
    FUZZ_CHECK(adObject->isDictionary());

    const auto ad = std::make_shared<FuzzedNativeAd>(*adObject);
    for (const auto& url : ad->impressionTrackingURLs()) FUZZ_CHECK(ads::gad_isWebURL(url));
    for (const auto& url : ad->thirdPartyClickTrackingURLs()) FUZZ_CHECK(ads::gad_isWebURL(url));
    const auto message = ad->clickMessageJSON("headline", std::nullopt);
    FUZZ_CHECK(message);
    FUZZ_CHECK(platform::Json::parse(*message));
    // The message splices into a script: nothing in it may end the script element or a line.
    FUZZ_CHECK(message->find("</") == std::string::npos);
    FUZZ_CHECK(message->find("\xE2\x80\xA8") == std::string::npos);

    auto options = ads::GADNativeAdImageAdLoaderOptions::create();
    options->shouldRequestMultipleImages = true;
    if (const auto images = ads::GADNativeAdImage::nativeAdImagesFromImageConfigurationArray(
            adObject->get("images"), options.get())) {
        for (const auto& image : *images) {
            FUZZ_CHECK(image->imageURL());
            FUZZ_CHECK(std::isfinite(image->scale()) && image->scale() > 0);
        }
    }
    const auto attribution = ads::GADNativeAdAttribution::create(adObject->find("attribution"));
    FUZZ_CHECK(sane(attribution->iconAnimationDuration()));
    FUZZ_CHECK(sane(attribution->iconPresentationDuration()));
    FUZZ_CHECK(attribution->font().size >= 1 && attribution->font().size <= 72);
    FUZZ_CHECK(inUnitRange(attribution->textColor()));
    FUZZ_CHECK(inUnitRange(attribution->backgroundColor()));
    return 0;
}
