#include "ads/mediation/GADMPublicAdAdapter.h"

#include "ads/fullscreen/GADOpener.h"
#include "ads/mediation/GADMAdNetworkConnector.h"
#include "ads/mediation/GADMAdNetworkConnectorProtocol.h"
#include "ads/slot/GADBannerViewSlot.h"
#include "ads/slot/GADSlot.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

namespace {

// Only the network connector knows whether its slot's clicks are protected; with another
// connector the inner ad's opener keeps its own setting.
void copyAutoClickProtection(const GADMAdNetworkConnectorProtocol& connector, GADSlot* slot) {
    const auto* network = dynamic_cast<const GADMAdNetworkConnector*>(&connector);
    if (!network || !slot || !slot->opener()) return;
    slot->opener()->setAutoClickProtected(network->isAutoClickProtected());
}

}  // namespace

std::vector<std::string> GADMPublicAdAdapter::protocolNames() {
    return {kProtocolName, "GADBannerViewDelegate", "GADInterstitialDelegate",
            "GADInterstitialAdClickDelegate"};
}

void GADMPublicAdAdapter::initWithGADMAdNetworkConnector(
    std::weak_ptr<GADMAdNetworkConnectorProtocol> connector) {
    MOVU_CHECK_MAIN_THREAD();
    connector_ = std::move(connector);
}

std::shared_ptr<GADBannerView> GADMPublicAdAdapter::makeBannerView(
    const GADAdSize& size, const GADMAdNetworkConnectorProtocol& connector) {
    if (bannerView_) bannerView_->setDelegate({});
    bannerView_ = GADBannerView::create(size);
    if (!bannerView_) return nullptr;
    bannerView_->setDelegate(std::weak_ptr<GADBannerViewDelegate>(shared_from_this()));
    if (const auto& slot = bannerView_->slot()) {
        // The waterfall decides when the next ad comes, never the inner banner's timer.
        slot->setReloadable(false);
        copyAutoClickProtection(connector, slot->adSlot().get());
    }
    bannerView_->setRootViewController(connector.viewControllerForPresentingModalView());
    return bannerView_;
}

std::shared_ptr<GADInterstitial> GADMPublicAdAdapter::makeInterstitial(
    std::optional<std::string> adUnitID, const GADMAdNetworkConnectorProtocol& connector) {
    if (interstitial_) interstitial_->setDelegate({});
    interstitial_ = GADInterstitial::create(std::move(adUnitID));
    interstitial_->setDelegate(std::weak_ptr<GADInterstitialDelegate>(shared_from_this()));
    copyAutoClickProtection(connector, interstitial_->slot().get());
    return interstitial_;
}

void GADMPublicAdAdapter::stopBeingDelegate() {
    MOVU_CHECK_MAIN_THREAD();
    if (bannerView_) bannerView_->setDelegate({});
    if (interstitial_) interstitial_->setDelegate({});
}

void GADMPublicAdAdapter::presentInterstitialFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& root) {
    MOVU_CHECK_MAIN_THREAD();
    if (interstitial_) interstitial_->presentFromRootViewController(root);
}

void GADMPublicAdAdapter::changeAdSizeTo(const GADAdSize& size) {
    MOVU_CHECK_MAIN_THREAD();
    if (bannerView_) bannerView_->setAdSize(size);
}

// Relays

std::shared_ptr<GADMAdNetworkConnectorProtocol> GADMPublicAdAdapter::connectorFor(
    const GADBannerView& view) const {
    return &view == bannerView_.get() ? connector() : nullptr;
}

std::shared_ptr<GADMAdNetworkConnectorProtocol> GADMPublicAdAdapter::connectorFor(
    const GADInterstitial& ad) const {
    return &ad == interstitial_.get() ? connector() : nullptr;
}

void GADMPublicAdAdapter::adViewDidReceiveAd(GADBannerView& view) {
    if (auto connector = connectorFor(view)) connector->adapterDidReceiveAdView(*this, bannerView_);
}

void GADMPublicAdAdapter::adViewDidFailToReceiveAdWithError(GADBannerView& view,
                                                            const platform::Error& error) {
    if (auto connector = connectorFor(view)) connector->adapterDidFailAd(*this, error);
}

void GADMPublicAdAdapter::adViewWillPresentScreen(GADBannerView& view) {
    if (auto connector = connectorFor(view)) {
        if (bannerScreenEventsAreClicks_) connector->adapterDidGetAdClick(*this);
        connector->adapterWillPresentFullScreenModal(*this);
    }
}

void GADMPublicAdAdapter::adViewWillDismissScreen(GADBannerView& view) {
    if (auto connector = connectorFor(view)) connector->adapterWillDismissFullScreenModal(*this);
}

void GADMPublicAdAdapter::adViewDidDismissScreen(GADBannerView& view) {
    if (auto connector = connectorFor(view)) connector->adapterDidDismissFullScreenModal(*this);
}

void GADMPublicAdAdapter::adViewWillLeaveApplication(GADBannerView& view) {
    if (auto connector = connectorFor(view)) {
        if (bannerScreenEventsAreClicks_) connector->adapterDidGetAdClick(*this);
        connector->adapterWillLeaveApplication(*this);
    }
}

void GADMPublicAdAdapter::interstitialDidReceiveAd(GADInterstitial& ad) {
    if (auto connector = connectorFor(ad)) connector->adapterDidReceiveInterstitial(*this);
}

void GADMPublicAdAdapter::interstitialDidFailToReceiveAdWithError(GADInterstitial& ad,
                                                                  const platform::Error& error) {
    if (auto connector = connectorFor(ad)) connector->adapterDidFailAd(*this, error);
}

void GADMPublicAdAdapter::interstitialWillPresentScreen(GADInterstitial& ad) {
    if (auto connector = connectorFor(ad)) connector->adapterWillPresentInterstitial(*this);
}

void GADMPublicAdAdapter::interstitialWillDismissScreen(GADInterstitial& ad) {
    if (auto connector = connectorFor(ad)) connector->adapterWillDismissInterstitial(*this);
}

void GADMPublicAdAdapter::interstitialDidDismissScreen(GADInterstitial& ad) {
    if (auto connector = connectorFor(ad)) connector->adapterDidDismissInterstitial(*this);
}

void GADMPublicAdAdapter::interstitialWillLeaveApplication(GADInterstitial& ad) {
    if (auto connector = connectorFor(ad)) connector->adapterWillLeaveApplication(*this);
}

void GADMPublicAdAdapter::interstitialDidReceiveAdClick(GADInterstitial& ad) {
    if (auto connector = connectorFor(ad)) connector->adapterDidGetAdClick(*this);
}

}  // namespace ads
