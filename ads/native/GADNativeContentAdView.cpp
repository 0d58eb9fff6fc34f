#include "ads/native/GADNativeContentAdView.h"

#include "ads/native/GADNativeContentAd.h"
#include "platform/runtime/ClassRegistry.h"

namespace ads {

namespace {

const std::vector<GADNativeAdContainerView::AssetSlot> kAssetSlots = {
    {"headlineView", "1001"},   {"bodyView", "1002"},  {"callToActionView", "1003"},
    {"advertiserView", "1004"}, {"imageView", "1005"}, {"logoView", "1006"},
};

}  // namespace

std::shared_ptr<GADNativeContentAdView> GADNativeContentAdView::create(platform::Rect frame) {
    auto view = std::make_shared<GADNativeContentAdView>(Private{}, frame);
    view->commonInit();
    return view;
}

GADNativeContentAdView::GADNativeContentAdView(Private, platform::Rect frame)
    : GADNativeAdContainerView(frame, kAssetSlots, "1007", "1008") {}

void GADNativeContentAdView::registerClass() {
    auto& registry = platform::ClassRegistry::shared();
    if (registry.hasClass(kClassName)) return;
    registry.registerClass<platform::ui::View>(
        kClassName, "UIView", {}, []() -> std::shared_ptr<platform::ui::View> { return create(); });
}

std::shared_ptr<GADNativeContentAd> GADNativeContentAdView::nativeContentAd() const {
    // Only the setter below gives the policy its ad, so the policy's ad is of this format.
    return std::static_pointer_cast<GADNativeContentAd>(nativeAd());
}

void GADNativeContentAdView::setNativeContentAd(const std::shared_ptr<GADNativeContentAd>& ad) {
    setNativeAd(ad, ad);
}

}  // namespace ads
