#include "ads/mediation/GADMAdapterZivivuDuRezAds.h"

#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/mediation/GADMAdNetworkConnector.h"
#include "ads/mediation/GADMAdNetworkConnectorProtocol.h"
#include "ads/mediation/GADRequestMediationAdditions.h"
#include "ads/slot/GADBannerViewSlot.h"
#include "ads/slot/GADSlot.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

namespace {

// Only the network connector knows whether its slot's clicks are protected; other connectors
// leave the inner ad's opener as it is.
void copyAutoClickProtection(const GADMAdNetworkConnectorProtocol* connector, GADSlot* slot) {
    const auto* network = dynamic_cast<const GADMAdNetworkConnector*>(connector);
    if (!network || !slot || !slot->opener()) return;
    slot->opener()->setAutoClickProtected(network->isAutoClickProtected());
}

}  // namespace

void GADMAdapterZivivuDuRezAds::registerClass() {
    auto& registry = platform::ClassRegistry::shared();
    if (registry.hasClass(kClassName)) return;
    registry.registerClass<GADMAdNetworkAdapterProtocol>(
        kClassName, "NSObject",
        {kProtocolName, "GADBannerViewDelegate", "GADInterstitialDelegate",
         "GADInterstitialAdClickDelegate"},
        [] { return create(); });
    registry.addInstanceCalls(kClassName, {kGetBannerCall, kGetInterstitialCall, kGetNativeAdCall,
                                           kChangeAdSizeCall, kPresentInterstitialCall});
    GADMAdapterClassRecord record;
    record.adapterVersion = [] { return GADRequest::sdkVersion(); };
    record.networkExtrasClass = GADExtras::kClassName;
    registry.setClassRecord(kClassName, std::move(record));
}

std::shared_ptr<GADMAdapterZivivuDuRezAds> GADMAdapterZivivuDuRezAds::create() {
    return std::make_shared<GADMAdapterZivivuDuRezAds>(Private{});
}

GADMAdapterZivivuDuRezAds::~GADMAdapterZivivuDuRezAds() {
    // The delegates are weak and need no clearing now; the native side holds callbacks of its
    // own that must not outlive the adapter.
    stopNativeRequest();
}

void GADMAdapterZivivuDuRezAds::initWithGADMAdNetworkConnector(
    std::weak_ptr<GADMAdNetworkConnectorProtocol> connector) {
    MOVU_CHECK_MAIN_THREAD();
    connector_ = std::move(connector);
}

std::shared_ptr<GADRequest> GADMAdapterZivivuDuRezAds::request() const {
    auto connector = this->connector();
    if (!connector) return nullptr;
    return GADRequestMediationAdditions::requestWithConnector(*connector, *this);
}

void GADMAdapterZivivuDuRezAds::getBannerWithSize(const GADAdSize& size) {
    MOVU_CHECK_MAIN_THREAD();
    auto connector = this->connector();
    if (!connector) return;
    if (bannerView_) bannerView_->setDelegate({});
    bannerView_ = GADBannerView::create(size);
    if (!bannerView_) {
        connector->adapterDidFailAd(
            *this, GADRequestError::errorWithCode(kGADErrorMediationInvalidAdSize).error());
        return;
    }
    bannerView_->setDelegate(weak_from_this());
    if (const auto& slot = bannerView_->slot()) {
        // The waterfall decides when the next ad comes, never the inner banner's timer.
        slot->setReloadable(false);
        copyAutoClickProtection(connector.get(), slot->adSlot().get());
    }
    bannerView_->setAdUnitID(connector->publisherId());
    bannerView_->setRootViewController(connector->viewControllerForPresentingModalView());
    bannerView_->loadRequest(request());
}

void GADMAdapterZivivuDuRezAds::getInterstitial() {
    MOVU_CHECK_MAIN_THREAD();
    auto connector = this->connector();
    if (!connector) return;
    if (interstitial_) interstitial_->setDelegate({});
    interstitial_ = GADInterstitial::create(connector->publisherId());
    interstitial_->setDelegate(weak_from_this());
    copyAutoClickProtection(connector.get(), interstitial_->slot().get());
    interstitial_->loadRequest(request());
}

void GADMAdapterZivivuDuRezAds::getNativeAdWithAdTypes(
    const std::vector<std::string>& adTypes, const std::vector<std::shared_ptr<void>>& options) {
    MOVU_CHECK_MAIN_THREAD();
    auto connector = this->connector();
    if (!connector) return;
    stopNativeRequest();
    const auto& ownNetwork = nativeAdapterHooks().ownNetwork;
    if (!ownNetwork) {
        connector->adapterDidFailAd(*this, GADRequestError::errorWithCode(
                                               kGADErrorInternalError, kInvalidNativeConnectorText)
                                               .error());
        return;
    }
    GADMNativeRequest nativeRequest;
    nativeRequest.adapter = weak_from_this();
    nativeRequest.connector = std::move(connector);
    nativeRequest.adTypes = adTypes;
    nativeRequest.options = options;
    native_ = ownNetwork(nativeRequest);
}

void GADMAdapterZivivuDuRezAds::stopNativeRequest() {
    auto handle = std::exchange(native_, {});
    if (handle.stopCallbacks) handle.stopCallbacks();
}

void GADMAdapterZivivuDuRezAds::stopBeingDelegate() {
    MOVU_CHECK_MAIN_THREAD();
    if (bannerView_) bannerView_->setDelegate({});
    if (interstitial_) interstitial_->setDelegate({});
    stopNativeRequest();
}

void GADMAdapterZivivuDuRezAds::presentInterstitialFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& root) {
    MOVU_CHECK_MAIN_THREAD();
    if (interstitial_) interstitial_->presentFromRootViewController(root);
}

void GADMAdapterZivivuDuRezAds::changeAdSizeTo(const GADAdSize& size) {
    MOVU_CHECK_MAIN_THREAD();
    if (bannerView_) bannerView_->setAdSize(size);
}

// Relays

std::shared_ptr<GADMAdNetworkConnectorProtocol> GADMAdapterZivivuDuRezAds::connectorFor(
    const GADBannerView& view) const {
    return &view == bannerView_.get() ? connector() : nullptr;
}

std::shared_ptr<GADMAdNetworkConnectorProtocol> GADMAdapterZivivuDuRezAds::connectorFor(
    const GADInterstitial& ad) const {
    return &ad == interstitial_.get() ? connector() : nullptr;
}

void GADMAdapterZivivuDuRezAds::adViewDidReceiveAd(GADBannerView& view) {
    if (auto connector = connectorFor(view)) connector->adapterDidReceiveAdView(*this, bannerView_);
}

void GADMAdapterZivivuDuRezAds::adViewDidFailToReceiveAdWithError(GADBannerView& view,
                                                                  const platform::Error& error) {
    if (auto connector = connectorFor(view)) connector->adapterDidFailAd(*this, error);
}

void GADMAdapterZivivuDuRezAds::adViewWillPresentScreen(GADBannerView& view) {
    if (auto connector = connectorFor(view)) {
        connector->adapterDidGetAdClick(*this);
        connector->adapterWillPresentFullScreenModal(*this);
    }
}

void GADMAdapterZivivuDuRezAds::adViewWillDismissScreen(GADBannerView& view) {
    if (auto connector = connectorFor(view)) connector->adapterWillDismissFullScreenModal(*this);
}

void GADMAdapterZivivuDuRezAds::adViewDidDismissScreen(GADBannerView& view) {
    if (auto connector = connectorFor(view)) connector->adapterDidDismissFullScreenModal(*this);
}

void GADMAdapterZivivuDuRezAds::adViewWillLeaveApplication(GADBannerView& view) {
    if (auto connector = connectorFor(view)) {
        connector->adapterDidGetAdClick(*this);
        connector->adapterWillLeaveApplication(*this);
    }
}

void GADMAdapterZivivuDuRezAds::interstitialDidReceiveAd(GADInterstitial& ad) {
    if (auto connector = connectorFor(ad)) connector->adapterDidReceiveInterstitial(*this);
}

void GADMAdapterZivivuDuRezAds::interstitialDidFailToReceiveAdWithError(
    GADInterstitial& ad, const platform::Error& error) {
    if (auto connector = connectorFor(ad)) connector->adapterDidFailAd(*this, error);
}

void GADMAdapterZivivuDuRezAds::interstitialWillPresentScreen(GADInterstitial& ad) {
    if (auto connector = connectorFor(ad)) connector->adapterWillPresentInterstitial(*this);
}

void GADMAdapterZivivuDuRezAds::interstitialWillDismissScreen(GADInterstitial& ad) {
    if (auto connector = connectorFor(ad)) connector->adapterWillDismissInterstitial(*this);
}

void GADMAdapterZivivuDuRezAds::interstitialDidDismissScreen(GADInterstitial& ad) {
    if (auto connector = connectorFor(ad)) connector->adapterDidDismissInterstitial(*this);
}

void GADMAdapterZivivuDuRezAds::interstitialWillLeaveApplication(GADInterstitial& ad) {
    if (auto connector = connectorFor(ad)) connector->adapterWillLeaveApplication(*this);
}

void GADMAdapterZivivuDuRezAds::interstitialDidReceiveAdClick(GADInterstitial& ad) {
    if (auto connector = connectorFor(ad)) connector->adapterDidGetAdClick(*this);
}

}  // namespace ads
