#include "ads/native/GADMediatedNativeAd.h"

#include "platform/runtime/NotificationCenter.h"

namespace ads {

GADMediatedNativeAd::GADMediatedNativeAd(std::string adNetworkClassName,
                                         std::shared_ptr<GADMediatedNativeAdProtocol> ad)
    // The base's opaque copy stays empty: the ad is ours to clear.
    : GADMediatedAd(std::move(adNetworkClassName), nullptr), ad_(std::move(ad)) {}

std::shared_ptr<GADMediatedNativeAdDelegate> GADMediatedNativeAd::networkDelegate() const {
    return ad_ ? ad_->mediatedNativeAdDelegate() : nullptr;
}

void GADMediatedNativeAd::reportImpression() {
    GADMediatedAd::reportImpression();
    if (auto delegate = networkDelegate()) delegate->mediatedNativeAdDidRecordImpression(*ad_);
}

void GADMediatedNativeAd::reportClickOnAssetWithName(
    const std::string& assetName, const std::shared_ptr<platform::ui::View>& view,
    const std::shared_ptr<platform::ui::ViewController>& viewController) {
    reportClick();
    if (auto delegate = networkDelegate())
        delegate->mediatedNativeAdDidRecordClickOnAssetWithName(*ad_, assetName, view,
                                                                viewController);
}

void GADMediatedNativeAd::reportMediatedAdRenderedInView(
    const std::shared_ptr<platform::ui::View>& view) {
    if (auto delegate = networkDelegate()) delegate->mediatedNativeAdDidRenderInView(*ad_, view);
}

const void* GADMediatedNativeAdNotificationObject(const GADMediatedNativeAdProtocol& ad) {
    return dynamic_cast<const void*>(&ad);
}

void postMediatedNativeAdNotification(const char* name, const GADMediatedNativeAdProtocol& ad) {
    platform::NotificationCenter::defaultCenter().post(name,
                                                       GADMediatedNativeAdNotificationObject(ad));
}

}  // namespace ads
