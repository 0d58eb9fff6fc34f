#include "ads/slot/GADBannerSlotAdapter.h"

#include "ads/foundation/GADAd.h"
#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADMSlotDelegate.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/ui/Window.h"

namespace ads {

std::shared_ptr<GADBannerSlotAdapter> GADBannerSlotAdapter::create(platform::Rect bounds) {
    auto adapter = std::make_shared<GADBannerSlotAdapter>(Private{}, bounds);
    adapter->slot_->setDelegates(GADSlotDelegates::allOf(adapter));
    return adapter;
}

GADBannerSlotAdapter::GADBannerSlotAdapter(Private, platform::Rect bounds)
    : slot_(GADSlot::create(bounds)) {}

// ---- the banner's side ----

void GADBannerSlotAdapter::setReloadable(bool reloadable) {
    slot_->reloadTimer().setReloadable(reloadable);
}

std::optional<std::string> GADBannerSlotAdapter::adUnitID() const {
    if (slot_->adUnitID().empty()) return std::nullopt;
    return slot_->adUnitID();
}

void GADBannerSlotAdapter::setAdUnitID(std::optional<std::string> adUnitID) {
    slot_->setAdUnitID(adUnitID.value_or(std::string()));
}

std::optional<GADAdType> GADBannerSlotAdapter::adType() const {
    if (!hasAdType_) return std::nullopt;
    return slot_->adType();
}

void GADBannerSlotAdapter::setAdTypeAndReloadRequest(const GADAdType& adType, bool reload) {
    hasAdType_ = true;
    slot_->setAdType(adType, reload);
}

void GADBannerSlotAdapter::loadRequest(const std::shared_ptr<GADRequest>& request) {
    slot_->loadRequest(request);
}

std::shared_ptr<GADAdView> GADBannerSlotAdapter::adView() const {
    return slot_->adView();
}

bool GADBannerSlotAdapter::hasAutoRefreshed() const {
    return slot_->hasAutoRefreshed();
}

bool GADBannerSlotAdapter::isMediating() const {
    return slot_->isMediating();
}

std::optional<std::string> GADBannerSlotAdapter::adNetworkClassName() const {
    return slot_->adNetworkClassName();
}

void GADBannerSlotAdapter::bannerDidMoveToWindow(platform::ui::Window* window) {
    std::shared_ptr<platform::ui::Window> held;
    if (window) {
        held = std::static_pointer_cast<platform::ui::Window>(window->weak_from_this().lock());
    }
    // A window nobody holds by a shared pointer is still a window: the slot only needs to know
    // the banner did not leave every window.
    if (window && !held) {
        held = std::shared_ptr<platform::ui::Window>(std::shared_ptr<void>(), window);
    }
    slot_->bannerDidMoveToWindow(held);
}

void GADBannerSlotAdapter::scheduleAdReloadTimer() {
    slot_->reloadTimer().schedule();
}

void GADBannerSlotAdapter::endActiveViewReporting() {
    slot_->finishActiveViewReporting();
}

void GADBannerSlotAdapter::cancelPendingAndFutureActions() {
    slot_->cancelPendingAndFutureActions();
}

// ---- the slot's side ----

std::optional<platform::Rect> GADBannerSlotAdapter::frame() const {
    auto banner = this->banner();
    if (!banner) return std::nullopt;
    return banner->frame();
}

std::optional<platform::Rect> GADBannerSlotAdapter::bounds() const {
    auto banner = this->banner();
    if (!banner) return std::nullopt;
    return banner->bounds();
}

std::shared_ptr<platform::ui::View> GADBannerSlotAdapter::swipeToViewControllerView() const {
    return banner();
}

std::shared_ptr<platform::ui::ViewController> GADBannerSlotAdapter::rootViewController() const {
    auto banner = this->banner();
    return banner ? banner->rootViewController() : nullptr;
}

std::optional<platform::Value> GADBannerSlotAdapter::coordinatesOfContentInScreen(
    const platform::ui::Screen&) const {
    // The banner measures against the main screen, the only one the SDK places ads on.
    auto banner = this->banner();
    if (!banner) return std::nullopt;
    return banner->coordinatesOfContentInScreen();
}

bool GADBannerSlotAdapter::hasInAppPurchaseDelegate() const {
    auto banner = this->banner();
    return banner && banner->inAppPurchaseDelegate() != nullptr;
}

std::shared_ptr<GADInAppPurchaseDelegate> GADBannerSlotAdapter::inAppPurchaseDelegate() const {
    auto banner = this->banner();
    return banner ? banner->inAppPurchaseDelegate() : nullptr;
}

std::optional<bool> GADBannerSlotAdapter::slotShouldLoadRequest(GADSlot&, const GADRequest&) {
    auto banner = this->banner();
    if (!banner) return false;
    return banner->slotShouldLoadRequest();
}

std::optional<bool> GADBannerSlotAdapter::slotShouldReloadCurrentRequest(GADSlot&) {
    auto banner = this->banner();
    if (!banner) return false;
    return banner->slotShouldReloadCurrentRequest();
}

void GADBannerSlotAdapter::slotDidReceiveAdView(GADSlot&,
                                                const std::shared_ptr<platform::ui::View>& view) {
    if (auto banner = this->banner()) banner->slotDidReceiveAdView(view);
}

void GADBannerSlotAdapter::slotContentSizeDidChange(GADSlot&, platform::Size size) {
    if (auto banner = this->banner()) banner->slotContentSizeDidChange(size);
}

std::optional<std::vector<GADBoxedValue>> GADBannerSlotAdapter::validAdSizes() const {
    auto banner = this->banner();
    if (!banner) return std::nullopt;
    return banner->validAdSizes();
}

void GADBannerSlotAdapter::setAdSize(const GADAdSize& adSize, bool reload) {
    if (auto banner = this->banner()) banner->slotSetAdSize(adSize, reload);
}

void GADBannerSlotAdapter::slotWillLoadAdWithRequest(GADSlot& slot, const GADRequest&) {
    if (auto banner = this->banner()) banner->slotWillLoadAdWithRequest(slot);
}

std::optional<bool> GADBannerSlotAdapter::slotShouldPreemptInProgressRequest(GADSlot& slot) {
    auto banner = this->banner();
    if (!banner) return std::nullopt;
    return banner->slotShouldPreemptInProgressRequest(slot);
}

void GADBannerSlotAdapter::slotWillResizeToAdSize(GADSlot&, const GADAdSize& adSize) {
    if (auto banner = this->banner()) banner->slotWillResizeToAdSize(adSize);
}

void GADBannerSlotAdapter::slotDidReceiveAppEvent(GADSlot&, const std::string& name,
                                                  const std::optional<std::string>& info) {
    if (auto banner = this->banner()) banner->slotDidReceiveAppEvent(name, info);
}

std::optional<bool> GADBannerSlotAdapter::slotNotifyPublisherToRenderCustomRenderingAd(
    GADSlot& slot, const std::shared_ptr<GADAd>& ad, std::optional<platform::Error>& error) {
    auto banner = this->banner();
    if (!banner) return std::nullopt;
    return banner->slotNotifyPublisherToRenderCustomRenderingAd(slot, ad, error);
}

void GADBannerSlotAdapter::slotFinishedLoadingAdContent(GADSlot&) {
    if (auto banner = this->banner()) banner->slotFinishedLoadingAdContent();
}

void GADBannerSlotAdapter::slotDidFailToLoadAdContentWithError(GADSlot&,
                                                               const GADRequestError& error) {
    if (auto banner = this->banner()) banner->slotDidFailToLoadAdContentWithError(error);
}

void GADBannerSlotAdapter::slotWillPresentScreen(GADSlot&) {
    if (auto banner = this->banner()) banner->slotWillPresentScreen();
}

void GADBannerSlotAdapter::slotWillDismissScreen(GADSlot&) {
    if (auto banner = this->banner()) banner->slotWillDismissScreen();
}

void GADBannerSlotAdapter::slotDidDismissScreen(GADSlot&) {
    if (auto banner = this->banner()) banner->slotDidDismissScreen();
}

void GADBannerSlotAdapter::slotWillLeaveApplication(GADSlot&) {
    if (auto banner = this->banner()) banner->slotWillLeaveApplication();
}

bool GADBannerSlotAdapter::slotShouldProcessAdResponse(GADSlot&, const std::shared_ptr<GADAd>&,
                                                       std::optional<platform::Error>&) {
    auto banner = this->banner();
    return !banner || banner->slotShouldProcessAdResponse();
}

bool GADBannerSlotAdapter::slotShouldProcessMediatedAdResponse(
    GADSlot& slot, const std::shared_ptr<GADAd>& ad, std::optional<platform::Error>& error) {
    if (ad) ad->setMediationDelegate(weak_from_this());
    return slotShouldProcessAdResponse(slot, ad, error);
}

std::string GADBannerSlotAdapter::connectorClassForAd(const GADAd&) {
    return kGADMBannerConnectorClassName;
}

void GADBannerSlotAdapter::cacheViewHierarchyInformationForSlot(GADSlot&) {
    if (auto banner = this->banner()) banner->cacheViewHierarchyInformation();
}

std::optional<platform::Value> GADBannerSlotAdapter::viewHierarchyInformationForSlot(GADSlot&) {
    auto banner = this->banner();
    if (!banner) return std::nullopt;
    return banner->viewHierarchyInformation();
}

std::optional<platform::Rect> GADBannerSlotAdapter::frameInInterface() const {
    auto banner = this->banner();
    if (!banner) return std::nullopt;
    return banner->frameInInterface();
}

}  // namespace ads
