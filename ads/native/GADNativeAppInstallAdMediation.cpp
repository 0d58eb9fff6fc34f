// GADNativeAppInstallAd(MediatedNativeAdAdditions): an app install ad made from a network's ad.

#include "ads/native/GADMediatedNativeAd.h"
#include "ads/native/GADNativeAppInstallAd.h"

namespace ads {

std::shared_ptr<GADNativeAppInstallAd> GADNativeAppInstallAd::createWithMediatedNativeAd(
    const std::shared_ptr<GADMediatedNativeAd>& mediatedNativeAd,
    const std::optional<GADAdLoaderOptionsMap>& options) {
    if (!mediatedNativeAd) return nullptr;
    const auto network =
        std::dynamic_pointer_cast<GADMediatedNativeAppInstallAd>(mediatedNativeAd->ad());
    if (!network) return nullptr;
    // No ad object: no attribution and no overlay for a network's ad.
    auto ad = std::make_shared<GADNativeAppInstallAd>(Private{}, std::nullopt, options);
    ad->headline_ = network->headline();
    ad->callToAction_ = network->callToAction();
    ad->body_ = network->body();
    ad->store_ = network->store();
    ad->price_ = network->price();
    ad->starRating_ = network->starRating().value_or(platform::Decimal());
    // The network's pictures show as they are; only the icon loads (at once when it has its
    // picture already).
    ad->availableNativeAdImages_ = network->images();
    ad->icon_ = network->icon();
    if (!ad->headline_ || !ad->callToAction_ || !ad->icon_) return nullptr;
    ad->initWithMediatedNativeAd(mediatedNativeAd);
    return ad;
}

}  // namespace ads
