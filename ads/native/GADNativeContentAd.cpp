#include "ads/native/GADNativeContentAd.h"

#include "ads/native/GADNativeAdImage.h"
#include "ads/native/GADNativeFormatSupport.h"

namespace ads {

using platform::Value;

GADNativeContentAd::GADNativeContentAd(Private, const std::optional<Value>& adObject,
                                       const std::optional<GADAdLoaderOptionsMap>& options)
    : GADNativeImageAd(adObject, options) {
    if (!adObject) return;
    headline_ = GADStringForKey(*adObject, "headline");
    body_ = GADStringForKey(*adObject, "body");
    callToAction_ = GADStringForKey(*adObject, "call_to_action");
    advertiser_ = GADStringForKey(*adObject, "advertiser");
    logo_ = GADNativeAdImage::create(adObject->get("secondary_image"));
}

std::shared_ptr<GADNativeContentAd> GADNativeContentAd::create(
    const Value& adObject, const std::optional<GADAdLoaderOptionsMap>& options) {
    auto ad = std::make_shared<GADNativeContentAd>(Private{}, adObject, options);
    if (!ad->headline_ || !ad->body_) return nullptr;
    return ad;
}

GADAdLoadingClass GADNativeContentAd::loadingClass() {
    static const GADAdLoadingClass loading =
        GADMakeNativeFormatClass<GADNativeContentAd, GADNativeContentAdLoaderDelegate>(
            kClassName, &GADNativeContentAd::create,
            [](GADAdLoader&) {
                return std::optional(GADFormatRequestParameters(GADNativeAdFormat::Content));
            },
            &GADNativeContentAdLoaderDelegate::adLoaderDidReceiveNativeContentAd);
    return loading;
}

std::set<std::string> GADNativeContentAd::requiredAssets() const {
    std::set<std::string> required{"headline", "body"};
    if (attribution()) required.insert("attribution");
    return required;
}

}  // namespace ads
