#include "ads/native/GADNativeAppInstallAd.h"

#include "ads/native/GADNativeAdImage.h"
#include "ads/native/GADNativeFormatSupport.h"

namespace ads {

using platform::Value;

GADNativeAppInstallAd::GADNativeAppInstallAd(Private, const std::optional<Value>& adObject,
                                             const std::optional<GADAdLoaderOptionsMap>& options)
    : GADNativeImageAd(adObject, options) {
    if (!adObject) return;
    headline_ = GADStringForKey(*adObject, "headline");
    callToAction_ = GADStringForKey(*adObject, "call_to_action");
    icon_ = GADNativeAdImage::create(adObject->get("app_icon"));
    body_ = GADStringForKey(*adObject, "body");
    store_ = GADStringForKey(*adObject, "store");
    price_ = GADStringForKey(*adObject, "price");
    // Only a number: a rating the server sent as anything else is as good as none.
    if (const Value* rating = adObject->find("rating");
        rating && (rating->isInteger() || rating->isReal())) {
        starRating_ = platform::Decimal::fromValue(*rating).value_or(platform::Decimal());
    }
}

std::shared_ptr<GADNativeAppInstallAd> GADNativeAppInstallAd::create(
    const Value& adObject, const std::optional<GADAdLoaderOptionsMap>& options) {
    auto ad = std::make_shared<GADNativeAppInstallAd>(Private{}, adObject, options);
    if (!ad->headline_ || !ad->callToAction_ || !ad->icon_) return nullptr;
    return ad;
}

GADAdLoadingClass GADNativeAppInstallAd::loadingClass() {
    static const GADAdLoadingClass loading =
        GADMakeNativeFormatClass<GADNativeAppInstallAd, GADNativeAppInstallAdLoaderDelegate>(
            kClassName, &GADNativeAppInstallAd::create,
            [](GADAdLoader&) {
                return std::optional(GADFormatRequestParameters(GADNativeAdFormat::AppInstall));
            },
            &GADNativeAppInstallAdLoaderDelegate::adLoaderDidReceiveNativeAppInstallAd);
    return loading;
}

std::set<std::string> GADNativeAppInstallAd::requiredAssets() const {
    std::set<std::string> required{"headline", "callToAction", "icon"};
    if (attribution()) required.insert("attribution");
    return required;
}

}  // namespace ads
