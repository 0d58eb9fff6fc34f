#include "ads/slot/ZORBannerView.h"

#include "ads/slot/GADAdSizeDelegate.h"
#include "ads/slot/GADAppEventDelegate.h"
#include "ads/slot/GADBannerViewSlot.h"
#include "ads/slot/GADSlot.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

std::shared_ptr<ZORBannerView> ZORBannerView::create(platform::Rect frame,
                                                     const GADAdSize& adSize) {
    auto banner = std::make_shared<ZORBannerView>(Private{}, frame);
    if (!banner->setUp(adSize)) return nullptr;
    return banner;
}

std::shared_ptr<ZORBannerView> ZORBannerView::create(const GADAdSize& adSize) {
    return create(platform::Rect::zero(), adSize);
}

std::shared_ptr<GADSlot> ZORBannerView::adSlot() const {
    return slot() ? slot()->adSlot() : nullptr;
}

std::shared_ptr<GADCorrelator> ZORBannerView::correlator() const {
    auto slot = adSlot();
    return slot ? slot->correlator() : nullptr;
}

void ZORBannerView::setCorrelator(std::shared_ptr<GADCorrelator> correlator) {
    if (auto slot = adSlot()) slot->setCorrelator(std::move(correlator));
}

bool ZORBannerView::enableManualImpressions() const {
    auto slot = adSlot();
    return slot && slot->manualImpressionsEnabled();
}

void ZORBannerView::setEnableManualImpressions(bool enabled) {
    if (auto slot = adSlot()) slot->setManualImpressionsEnabled(enabled);
}

void ZORBannerView::resize(const GADAdSize& adSize) {
    setAdSizeAndReload(adSize, false);
}

void ZORBannerView::recordImpression() {
    if (auto slot = adSlot()) slot->recordManualImpression();
}

void ZORBannerView::setValidAdSizes(const std::vector<GADAdSize>& sizes) {
    MOVU_CHECK_MAIN_THREAD();
    std::vector<GADBoxedValue> boxed;
    boxed.reserve(sizes.size());
    for (const GADAdSize& size : sizes) boxed.push_back(NSValueFromGADAdSize(size));
    validAdSizes_ = std::move(boxed);
}

void ZORBannerView::slotWillLoadAdWithRequest(GADSlot& slot) {
    hooks_.willLoadAdWithRequest(slot);
}

std::optional<bool> ZORBannerView::slotShouldPreemptInProgressRequest(GADSlot& slot) {
    return hooks_.shouldPreemptInProgressRequest(slot);
}

void ZORBannerView::slotDidReceiveAppEvent(const std::string& name,
                                           const std::optional<std::string>& info) {
    if (auto delegate = appEventDelegate()) delegate->adViewDidReceiveAppEvent(*this, name, info);
}

void ZORBannerView::slotWillResizeToAdSize(const GADAdSize& adSize) {
    if (auto delegate = adSizeDelegate()) delegate->adViewWillChangeAdSizeTo(*this, adSize);
}

std::optional<bool> ZORBannerView::slotNotifyPublisherToRenderCustomRenderingAd(
    GADSlot& slot, const std::shared_ptr<GADAd>& ad, std::optional<platform::Error>& error) {
    auto publisher = customRenderedBannerViewDelegate();
    if (!publisher) {
        error = ZORPublisherHooks::notConformingError(
            "ZORCustomRenderedBannerViewDelegate", "Banner view",
            ZORPublisherHooks::describe(kClassName, this),
            ZORPublisherHooks::describe("ZORCustomRenderedBannerViewDelegate", nullptr));
        return false;
    }
    auto self = std::static_pointer_cast<ZORBannerView>(shared_from_this());
    auto custom = ZORPublisherHooks::startCustomRendering(
        slot, ad, std::weak_ptr<ZORCustomRenderedAdDelegate>(self));
    publisher->bannerViewDidReceiveCustomRenderedAd(*this, custom);
    return true;
}

void ZORBannerView::recordClick(ZORCustomRenderedAd& ad) {
    ZORPublisherHooks::recordClick(adSlot().get(), ad);
}

void ZORBannerView::recordCustomAdImpression(ZORCustomRenderedAd& ad) {
    ZORPublisherHooks::recordImpression(adSlot().get(), ad);
}

void ZORBannerView::finishedRenderingAdView(ZORCustomRenderedAd& ad, platform::ui::View*) {
    ZORPublisherHooks::finishedRendering(adSlot().get(), ad);
}

}  // namespace ads
