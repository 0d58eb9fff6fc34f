// The banner and interstitial connectors.

#include "ads/foundation/GADRequestError.h"
#include "ads/fullscreen/GADFullScreenNotifications.h"
#include "ads/mediation/GADMAdNetworkConnectorBanner.h"
#include "ads/mediation/GADMAdNetworkConnectorInterstitial.h"
#include "ads/mediation/GADMConnectorDelegate.h"
#include "ads/slot/GADSlot.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

namespace {
// A mediated network stands for the ad's page: it reports to the slot through the page's face.
GADPageSlot& pageOf(GADSlot& slot) {
    return slot;
}
}  // namespace

namespace {

template <typename Connector>
void registerConnector() {
    auto& registry = platform::ClassRegistry::shared();
    registry.registerClass<GADMAdNetworkConnector>(Connector::kClassName,
                                                   GADMAdNetworkConnector::kClassName, {},
                                                   [] { return std::make_shared<Connector>(); });
}

void post(const char* name) {
    platform::NotificationCenter::defaultCenter().post(name, nullptr);
}

}  // namespace

// Banner

void GADMAdNetworkConnectorBanner::registerClass() {
    registerConnector<GADMAdNetworkConnectorBanner>();
}

void GADMAdNetworkConnectorBanner::getAdFromAdapterWithType(const GADAdType& type) {
    MOVU_CHECK_MAIN_THREAD();
    if (type.isInterstitial()) {
        failInternally("Connector " + std::string(kClassName) + " doesn't support interstitial");
    } else if (!type.isValid()) {
        failInternally("Banner adType requested is invalid.");
    } else if (auto adapter = this->adapter()) {
        adapter->getBannerWithSize(type.adSize());
    }
}

void GADMAdNetworkConnectorBanner::adapterDidReceiveAdView(
    Adapter& adapter, const std::shared_ptr<platform::ui::View>& view) {
    if (!isOwnAdapter(adapter)) return;
    auto keep = shared_from_this();
    setDidNetworkRefresh(didNetworkReturn_);
    didNetworkReturn_ = true;
    setClicked(false);
    if (auto manager = adManager()) manager->adRequestReturnsFromConnectorWithView(*this, view);
    reportImpression();
}

void GADMAdNetworkConnectorBanner::adapterDidFailAd(Adapter& adapter,
                                                    const platform::Error& error) {
    if (!isOwnAdapter(adapter)) return;
    auto keep = shared_from_this();
    setDidNetworkRefresh(didNetworkReturn_);
    didNetworkReturn_ = true;
    if (auto manager = adManager()) manager->adRequestFailedFromConnectorWithError(*this, error);
}

void GADMAdNetworkConnectorBanner::adapterWillPresentFullScreenModal(Adapter&) {
    post(kAdModalViewControllerWillPresentFullScreen);
    if (auto slot = this->slot()) pageOf(*slot).adWillPresentScreen();
    reportClick();
}

void GADMAdNetworkConnectorBanner::adapterWillDismissFullScreenModal(Adapter&) {
    if (auto slot = this->slot()) pageOf(*slot).adWillDismissScreen();
}

void GADMAdNetworkConnectorBanner::adapterDidDismissFullScreenModal(Adapter&) {
    post(kAdModalViewControllerDidDismissFullScreen);
    if (auto slot = this->slot()) pageOf(*slot).adDidDismissScreen();
}

void GADMAdNetworkConnectorBanner::adapterWillLeaveApplication(Adapter&) {
    if (auto slot = this->slot()) {
        pageOf(*slot).adWillLeaveApplication();
        pageOf(*slot).willLeaveAppDueToClick();
    }
    reportClick();
}

// Interstitial

void GADMAdNetworkConnectorInterstitial::registerClass() {
    registerConnector<GADMAdNetworkConnectorInterstitial>();
}

void GADMAdNetworkConnectorInterstitial::getAdFromAdapterWithType(const GADAdType& type) {
    MOVU_CHECK_MAIN_THREAD();
    if (!type.isInterstitial()) {
        failInternally("Invalid mediation ad requested from interstitial object.");
    } else if (auto adapter = this->adapter()) {
        adapter->getInterstitial();
    }
}

void GADMAdNetworkConnectorInterstitial::adapterDidReceiveInterstitial(Adapter& adapter) {
    if (!isOwnAdapter(adapter)) return;
    auto keep = shared_from_this();
    setClicked(false);
    if (auto manager = adManager()) manager->adRequestReturnsFromConnectorWithInterstitial(*this);
}

void GADMAdNetworkConnectorInterstitial::adapterDidFailAd(Adapter& adapter,
                                                          const platform::Error& error) {
    if (!isOwnAdapter(adapter)) return;
    auto keep = shared_from_this();
    if (auto manager = adManager()) manager->adRequestFailedFromConnectorWithError(*this, error);
}

void GADMAdNetworkConnectorInterstitial::adapterWillPresentInterstitial(Adapter&) {
    post(kAdModalViewControllerWillPresentFullScreen);
    if (auto slot = this->slot()) pageOf(*slot).adWillPresentScreen();
    reportImpression();
}

void GADMAdNetworkConnectorInterstitial::adapterWillDismissInterstitial(Adapter&) {
    calledWillDismissInterstitial_ = true;
    if (auto slot = this->slot()) pageOf(*slot).adWillDismissScreen();
}

void GADMAdNetworkConnectorInterstitial::adapterDidDismissInterstitial(Adapter& adapter) {
    if (!calledWillDismissInterstitial_) adapterWillDismissInterstitial(adapter);
    post(kAdModalViewControllerDidDismissFullScreen);
    if (auto slot = this->slot()) pageOf(*slot).adDidDismissScreen();
}

void GADMAdNetworkConnectorInterstitial::adapterWillLeaveApplication(Adapter&) {
    if (auto slot = this->slot()) {
        pageOf(*slot).adWillLeaveApplication();
        pageOf(*slot).willLeaveAppDueToClick();
    }
    reportClick();
}

}  // namespace ads
