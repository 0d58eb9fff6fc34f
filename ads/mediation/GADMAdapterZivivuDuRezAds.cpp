#include "ads/mediation/GADMAdapterZivivuDuRezAds.h"

#include <utility>

#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/mediation/GADMAdNetworkConnectorProtocol.h"
#include "ads/mediation/GADRequestMediationAdditions.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

void GADMAdapterZivivuDuRezAds::registerClass() {
    auto& registry = platform::ClassRegistry::shared();
    if (registry.hasClass(kClassName)) return;
    registry.registerClass<GADMAdNetworkAdapterProtocol>(kClassName, "NSObject", protocolNames(),
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
    // The banner's and interstitial's delegates are weak and go quiet by themselves; the
    // native side holds callbacks of its own that must not outlive the adapter.
    stopNativeRequest();
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
    auto banner = makeBannerView(size, *connector);
    if (!banner) {
        connector->adapterDidFailAd(
            *this, GADRequestError::errorWithCode(kGADErrorMediationInvalidAdSize).error());
        return;
    }
    banner->setAdUnitID(connector->publisherId());
    banner->loadRequest(request());
}

void GADMAdapterZivivuDuRezAds::getInterstitial() {
    MOVU_CHECK_MAIN_THREAD();
    auto connector = this->connector();
    if (!connector) return;
    makeInterstitial(connector->publisherId(), *connector)->loadRequest(request());
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
    GADMPublicAdAdapter::stopBeingDelegate();
    stopNativeRequest();
}

}  // namespace ads
