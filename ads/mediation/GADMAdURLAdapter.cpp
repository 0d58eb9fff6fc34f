#include "ads/mediation/GADMAdURLAdapter.h"

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRectUtilities.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/mediation/GADMAdNetworkConnector.h"
#include "ads/mediation/GADMAdNetworkConnectorProtocol.h"
#include "ads/mediation/GADRequestMediationAdditions.h"
#include "ads/web/GADSDKCoreController.h"
#include "platform/device/AdvertisingIdentifier.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

using platform::Value;

namespace {

constexpr const char* kAlreadyInitializedText =
    "Adapter already initialized. Please create new instance.";
constexpr const char* kCannotLoadAdURLText = "Adapter can't load ad URL.";
constexpr const char* kEmptyAdText = "Ad received is empty.";
constexpr const char* kNoConnectionText = "Failed to load ad. Check network connection.";

// The banner as it was on the main thread when the request was queued.
struct BannerPlacement {
    platform::Rect frame;
    platform::Rect bounds;
    GADAdSize adSize;
};

// "adid": the advertising identifier only while the user allows tracking.
std::string advertisingIdentifierText() {
    auto& identifier = platform::AdvertisingIdentifier::shared();
    if (!identifier.isAdvertisingTrackingEnabled()) return {};
    return identifier.advertisingIdentifier().toString();
}

}  // namespace

void GADMAdURLAdapter::registerClass() {
    auto& registry = platform::ClassRegistry::shared();
    if (registry.hasClass(kClassName)) return;
    auto protocols = protocolNames();
    protocols.emplace_back("GADSDKCoreControllerDelegate");
    registry.registerClass<GADMAdNetworkAdapterProtocol>(kClassName, "NSObject", protocols,
                                                         [] { return create(); });
    registry.addInstanceCalls(kClassName, {kGetBannerCall, kGetInterstitialCall, kGetNativeAdCall,
                                           kChangeAdSizeCall, kPresentInterstitialCall});
    GADMAdapterClassRecord record;
    record.adapterVersion = [] { return std::string(kVersion); };
    record.networkExtrasClass = GADExtras::kClassName;
    registry.setClassRecord(kClassName, std::move(record));
}

std::shared_ptr<GADMAdURLAdapter> GADMAdURLAdapter::create() {
    return std::make_shared<GADMAdURLAdapter>(Private{});
}

std::optional<std::string> GADMAdURLAdapter::requestID() const {
    std::lock_guard lock(requestIDMutex_);
    return requestID_;
}

void GADMAdURLAdapter::setRequestID(const std::string& requestID) {
    std::lock_guard lock(requestIDMutex_);
    requestID_ = requestID;
}

// Requests

std::shared_ptr<GADMAdNetworkConnectorProtocol> GADMAdURLAdapter::connectorForTheOneAd() {
    auto connector = this->connector();
    if (!connector) return nullptr;
    if (bannerView() || interstitial()) {
        reportAdLoadFailure(kAlreadyInitialized, kAlreadyInitializedText);
        return nullptr;
    }
    return connector;
}

void GADMAdURLAdapter::getBannerWithSize(const GADAdSize& size) {
    MOVU_CHECK_MAIN_THREAD();
    auto connector = connectorForTheOneAd();
    if (!connector) return;
    if (!makeBannerView(size, *connector)) {
        connector->adapterDidFailAd(
            *this, GADRequestError::errorWithCode(kGADErrorMediationInvalidAdSize).error());
        return;
    }
    loadRequest();
}

void GADMAdURLAdapter::getInterstitial() {
    MOVU_CHECK_MAIN_THREAD();
    auto connector = connectorForTheOneAd();
    if (!connector) return;
    makeInterstitial(std::nullopt, *connector);
    loadRequest();
}

void GADMAdURLAdapter::getNativeAdWithAdTypes(const std::vector<std::string>&,
                                              const std::vector<std::shared_ptr<void>>&) {
    MOVU_CHECK_MAIN_THREAD();
    if (auto connector = this->connector()) {
        connector->adapterDidFailAd(
            *this, GADRequestError::errorWithCode(kGADErrorInternalError,
                                                  "Request for native ad fetching isn't "
                                                  "implemented.")
                       .error());
    }
}

void GADMAdURLAdapter::loadRequest() {
    GADSDKCoreController::sharedInstance()->buildAdURL(
        std::static_pointer_cast<GADMAdURLAdapter>(shared_from_this()));
}

void GADMAdURLAdapter::stopBeingDelegate() {
    GADMPublicAdAdapter::stopBeingDelegate();
    shouldRespondToSDKCore_ = false;
}

void GADMAdURLAdapter::reportAdLoadFailure(ErrorCode code, const char* message) {
    if (!bannerView() && !interstitial()) return;
    if (auto connector = this->connector()) {
        connector->adapterDidFailAd(*this, platform::Error::make(kErrorDomain, code, message));
    }
}

// The SDK core's requester

GADSDKCoreControllerDelegate::RequestParametersBuilder
GADMAdURLAdapter::requestParametersWithRequestID(const std::string& requestID) {
    MOVU_CHECK_MAIN_THREAD();
    setRequestID(requestID);
    auto connector = this->connector();
    if (!connector) return {};
    // Everything the queue's step reads is taken here, on the main thread: the request is a
    // fresh one of its own, the banner is read into a value.
    auto request = GADRequestMediationAdditions::requestWithConnector(*connector, *this);
    const GADMainThreadFacts facts = GADRequest::collectMainThreadFacts();
    const GADRequestedAdType type = requestedAdType();
    std::optional<BannerPlacement> placement;
    if (const auto& banner = bannerView()) {
        placement = BannerPlacement{banner->frame(), banner->bounds(), banner->adSize()};
    }
    Value::Dictionary answer{
        {"lat", Value(GADDevice::sharedInstance()->limitAdTrackingString())},
        {"adid", Value(advertisingIdentifierText())},
        {"data", Value(connector->credentials())},
        {"request_id", Value(requestID)},
        {kMediationParameter, Value("1")},
    };
    return [request = std::move(request), facts, type, placement,
            answer = std::move(answer)]() mutable -> std::optional<Value::Dictionary> {
        Value::Dictionary parameters = request->parameters(facts);
        if (type == GADRequestedAdType::Interstitial) {
            parameters["format"] = Value("interstitial_mb");
        } else if (type == GADRequestedAdType::Banner && placement) {
            parameters["format"] = Value("banner");
            parameters["ad_frame"] = GADXYWHDictionaryFromCGRect(placement->frame);
            parameters["ad_bounds"] = GADXYWHDictionaryFromCGRect(placement->bounds);
            if (GADAdSizeIsFullWidth(placement->adSize)) {
                parameters["smart_w"] = Value("full");
                if (GADAdSizeIsAutoHeight(placement->adSize)) parameters["smart_h"] = Value("auto");
            }
        }
        answer["request_param"] = Value(std::move(parameters));
        return std::move(answer);
    };
}

GADRequestedAdType GADMAdURLAdapter::requestedAdType() {
    if (bannerView()) return GADRequestedAdType::Banner;
    if (interstitial()) return GADRequestedAdType::Interstitial;
    return GADRequestedAdType::Generic;
}

void GADMAdURLAdapter::loadAdURLWithParameters(const Value::Dictionary&) {
    MOVU_CHECK_MAIN_THREAD();
    if (!shouldRespondToSDKCore_) return;
    reportAdLoadFailure(kCannotLoadAdURL, kCannotLoadAdURLText);
}

void GADMAdURLAdapter::loadAd(const std::shared_ptr<GADAd>& ad,
                              const std::optional<Value::Dictionary>& headers) {
    MOVU_CHECK_MAIN_THREAD();
    if (!shouldRespondToSDKCore_) return;
    // The ad travels as the object it was read from; one made otherwise has nothing to hand on.
    if (!ad || !ad->sourceDictionary()) {
        reportAdLoadFailure(kEmptyAd, kEmptyAdText);
        return;
    }
    auto request = GADRequest::request();
    // The ad it renders may be a mediation answer too: its slot lies one waterfall deeper.
    const auto network = std::dynamic_pointer_cast<GADMAdNetworkConnector>(connector());
    if (network) request->setMediationDepth(network->publisherRequestDepth() + 1);
    request->registerAdNetworkExtras(GADExtras::create(Value::Dictionary{
        {"_ad", *ad->sourceDictionary()},
        {"_adHeaders", Value(headers.value_or(Value::Dictionary{}))},
        {GADExtras::kUseOnceKey, Value("Y")},
    }));
    if (const auto& banner = bannerView()) {
        banner->loadRequest(request);
    } else if (const auto& shown = interstitial()) {
        shown->loadRequest(request);
    }
}

void GADMAdURLAdapter::invalidJavaScriptRequest() {
    MOVU_CHECK_MAIN_THREAD();
    if (!shouldRespondToSDKCore_) return;
    reportAdLoadFailure(kInvalidRequest, kNoConnectionText);
}

void GADMAdURLAdapter::failedJavaScriptFile() {
    MOVU_CHECK_MAIN_THREAD();
    if (!shouldRespondToSDKCore_) return;
    reportAdLoadFailure(kCoreFailed, kNoConnectionText);
}

void GADMAdURLAdapter::SDKCoreRequestDidTimeOut() {
    // A core that never answers is as lost to this ad as one that could not load.
    failedJavaScriptFile();
}

}  // namespace ads
