#include "ads/native/GADNativeAppInstallAdView.h"

#include "ads/native/GADNativeAppInstallAd.h"
#include "platform/runtime/ClassRegistry.h"

namespace ads {

namespace {

const std::vector<GADNativeAdContainerView::AssetSlot> kAssetSlots = {
    {"headlineView", "2001"}, {"callToActionView", "2002"}, {"iconView", "2003"},
    {"bodyView", "2004"},     {"storeView", "2005"},        {"priceView", "2006"},
    {"imageView", "2007"},    {"starRatingView", "2008"},
};

}  // namespace

std::shared_ptr<GADNativeAppInstallAdView> GADNativeAppInstallAdView::create(platform::Rect frame) {
    auto view = std::make_shared<GADNativeAppInstallAdView>(Private{}, frame);
    view->commonInit();
    return view;
}

GADNativeAppInstallAdView::GADNativeAppInstallAdView(Private, platform::Rect frame)
    : GADNativeAdContainerView(frame, kAssetSlots, "2009", "2010") {}

void GADNativeAppInstallAdView::registerClass() {
    auto& registry = platform::ClassRegistry::shared();
    if (registry.hasClass(kClassName)) return;
    registry.registerClass<platform::ui::View>(
        kClassName, "UIView", {}, []() -> std::shared_ptr<platform::ui::View> { return create(); });
}

std::shared_ptr<GADNativeAppInstallAd> GADNativeAppInstallAdView::nativeAppInstallAd() const {
    // Only the setter below gives the policy its ad, so the policy's ad is of this format.
    return std::static_pointer_cast<GADNativeAppInstallAd>(nativeAd());
}

void GADNativeAppInstallAdView::setNativeAppInstallAd(
    const std::shared_ptr<GADNativeAppInstallAd>& ad) {
    setNativeAd(ad, ad);
}

}  // namespace ads
