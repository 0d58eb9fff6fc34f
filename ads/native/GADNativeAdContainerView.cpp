#include "ads/native/GADNativeAdContainerView.h"

#include <algorithm>

#include "ads/native/GADNativeAd.h"
#include "ads/native/GADNativeAdViewPolicy.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

using platform::ui::View;

GADNativeAdContainerView::GADNativeAdContainerView(platform::Rect frame,
                                                   std::vector<AssetSlot> slots,
                                                   std::string attributionIconAssetName,
                                                   std::string attributionTextAssetName)
    : View(frame),
      attributionIconAssetName_(std::move(attributionIconAssetName)),
      attributionTextAssetName_(std::move(attributionTextAssetName)) {
    for (const auto& slot : slots) fields_.push_back({slot, {}});
}

GADNativeAdContainerView::~GADNativeAdContainerView() = default;

void GADNativeAdContainerView::commonInit() {
    nativeAdViewPolicy_ =
        GADNativeAdViewPolicy::create(std::static_pointer_cast<View>(shared_from_this()),
                                      attributionIconAssetName_, attributionTextAssetName_);
}

std::shared_ptr<View> GADNativeAdContainerView::assetViewForOutlet(
    const std::string& outletName) const {
    for (const auto& field : fields_)
        if (outletName == field.slot.outletName) return field.view.lock();
    return nullptr;
}

bool GADNativeAdContainerView::setAssetViewForOutlet(const std::string& outletName,
                                                     const std::shared_ptr<View>& view) {
    MOVU_CHECK_MAIN_THREAD();
    for (auto& field : fields_) {
        if (outletName != field.slot.outletName) continue;
        nativeAdViewPolicy_->replaceAssetWithName(field.slot.assetName, view, field.view);
        return true;
    }
    return false;
}

std::shared_ptr<GADNativeAd> GADNativeAdContainerView::nativeAd() const {
    return nativeAdViewPolicy_->nativeAd();
}

void GADNativeAdContainerView::setNativeAd(const std::shared_ptr<GADNativeAd>& ad,
                                           std::weak_ptr<GADNativeAdViewPolicyDelegate> delegate) {
    MOVU_CHECK_MAIN_THREAD();
    nativeAdViewPolicy_->setNativeAd(ad);
    nativeAdViewPolicy_->setDelegate(std::move(delegate));
}

void GADNativeAdContainerView::layoutSubviews() {
    nativeAdViewPolicy_->adViewDidLayoutSubviews();
    View::layoutSubviews();
}

void GADNativeAdContainerView::didMoveToSuperview() {
    View::didMoveToSuperview();
    nativeAdViewPolicy_->adViewDidMoveToSuperview();
}

platform::ui::InterfaceOwner::BindResult GADNativeAdContainerView::bindOutlet(
    const std::string& name, const std::shared_ptr<View>& view) {
    return setAssetViewForOutlet(name, view) ? BindResult::Bound : BindResult::UnknownName;
}

}  // namespace ads
