// GADNativeContentAd(MediatedNativeAdAdditions): a content ad made from a network's ad.

#include "ads/native/GADMediatedNativeAd.h"
#include "ads/native/GADNativeContentAd.h"

namespace ads {

std::shared_ptr<GADNativeContentAd> GADNativeContentAd::createWithMediatedNativeAd(
    const std::shared_ptr<GADMediatedNativeAd>& mediatedNativeAd,
    const std::optional<GADAdLoaderOptionsMap>& options) {
    if (!mediatedNativeAd) return nullptr;
    const auto network =
        std::dynamic_pointer_cast<GADMediatedNativeContentAd>(mediatedNativeAd->ad());
    if (!network) return nullptr;
    // No ad object: no attribution and no overlay for a network's ad.
    auto ad = std::make_shared<GADNativeContentAd>(Private{}, std::nullopt, options);
    ad->headline_ = network->headline();
    ad->body_ = network->body();
    ad->callToAction_ = network->callToAction();
    ad->advertiser_ = network->advertiser();
    // The network's pictures show as they are; only the logo may still load.
    ad->availableNativeAdImages_ = network->images();
    ad->logo_ = network->logo();
    if (!ad->headline_ || !ad->body_) return nullptr;
    ad->initWithMediatedNativeAd(mediatedNativeAd);
    return ad;
}

}  // namespace ads
