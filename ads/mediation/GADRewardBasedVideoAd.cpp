// The rewarded video ad as the app sees it, and as the SDK core and the ad fetcher's requester:
// loading, the request's parameters, the page's answers and the fetch of the configuration.

#include "ads/mediation/GADRewardBasedVideoAd.h"

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADAdFetcher.h"
#include "ads/foundation/GADLogger.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/GADURLRequestUtilities.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/mediation/GADMRewardBasedVideoAdNetworkConnector.h"
#include "ads/web/GADSDKCoreController.h"
#include "ads/web/GADWebRoom.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/Once.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

using platform::Value;

std::shared_ptr<GADRewardBasedVideoAd> GADRewardBasedVideoAd::sharedInstance() {
    static platform::Once once;
    static std::shared_ptr<GADRewardBasedVideoAd> shared;
    once.call([] { shared = create(); });
    return shared;
}

std::shared_ptr<GADRewardBasedVideoAd> GADRewardBasedVideoAd::create() {
    return std::make_shared<GADRewardBasedVideoAd>(Private{});
}

GADRewardBasedVideoAd::~GADRewardBasedVideoAd() {
    if (adFetcher_) adFetcher_->cancel();
}

std::optional<std::string> GADRewardBasedVideoAd::requestID() const {
    std::lock_guard lock(requestIDMutex_);
    return requestID_;
}

std::shared_ptr<GADMRewardBasedVideoAdNetworkConnector> GADRewardBasedVideoAd::connectorFor(
    const std::string& adapterClassName) const {
    const auto found = connectors_.find(adapterClassName);
    return found == connectors_.end() ? nullptr : found->second;
}

void GADRewardBasedVideoAd::loadRequest(std::shared_ptr<GADRequest> request,
                                        std::optional<std::string> adUnitID,
                                        std::optional<std::string> userID) {
    MOVU_CHECK_MAIN_THREAD();
    if (requestInProgress_) {
        GADLogger::sharedInstance().logPublicMessage(kRequestInProgressMessage);
        return;
    }
    requestInProgress_ = true;
    ready_ = false;
    ++loadNumber_;
    request_ = request ? std::move(request) : GADRequest::request();
    userID_ = std::move(userID);
    adUnitID_ = std::move(adUnitID);
    {
        std::lock_guard lock(requestIDMutex_);
        requestID_.reset();
    }

    // A publisher's ready ad with a URL skips the SDK core.
    const auto extras = request_->networkExtrasAdditionalParameters();
    if (extras) {
        const auto given = extras->find("_ad");
        if (given != extras->end() && given->second.isDictionary()) {
            auto ad = GADAd::createWithDictionary(given->second);
            if (ad->adURL()) {
                fetchAdURL(Value::Dictionary{{"url", Value(ad->adURL()->absoluteString())}});
                return;
            }
        }
    }
    waitingForSDKCore_ = true;
    // A copy of its own: the app may change its request while the core's queue reads this.
    requestSnapshot_ = std::make_shared<const RequestSnapshot>(RequestSnapshot{
        request_->copy(), GADRequest::collectMainThreadFacts(), userID_, adUnitID_});
    GADWebRoom::hookSharedSDKCore();
    GADSDKCoreController::sharedInstance()->buildAdURL(shared_from_this());
}

void GADRewardBasedVideoAd::presentFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& root) {
    MOVU_CHECK_MAIN_THREAD();
    if (requestInProgress_ || !ready_) return;
    ready_ = false;
    presentMediatedRewardBasedVideoAdFromViewController(root);
}

// Outcomes

void GADRewardBasedVideoAd::adLoadedSuccessfully() {
    requestInProgress_ = false;
    ready_ = true;
    if (auto d = delegate()) d->rewardBasedVideoAdDidReceiveAd(*this);
}

void GADRewardBasedVideoAd::failedToLoadAdWithError(const platform::Error& error) {
    requestInProgress_ = false;
    ready_ = false;
    waitingForSDKCore_ = false;
    // Nothing of the failed load asks or answers any more.
    requestingConnector_.reset();
    pendingAdRequestConnectors_.clear();
    if (auto d = delegate()) d->rewardBasedVideoAdDidFailToLoadwithError(*this, error);
}

void GADRewardBasedVideoAd::failWithCode(std::int64_t code, std::optional<std::string> text) {
    failedToLoadAdWithError(GADRequestError::errorWithCode(code, std::move(text)).error());
}

void GADRewardBasedVideoAd::loadAd(const std::shared_ptr<GADAd>& ad) {
    processMediationAd(ad);
}

// The SDK core

GADSDKCoreControllerDelegate::RequestParametersBuilder
GADRewardBasedVideoAd::requestParametersWithRequestID(const std::string& requestID) {
    {
        std::lock_guard lock(requestIDMutex_);
        requestID_ = requestID;
    }
    // The builder runs on the core's queue and reads only what the load took when it started.
    auto snapshot = requestSnapshot_;
    if (!snapshot) {
        snapshot = std::make_shared<const RequestSnapshot>(RequestSnapshot{
            GADRequest::request(), GADRequest::collectMainThreadFacts(), userID_, adUnitID_});
    }
    return [snapshot = std::move(snapshot), requestID]() -> std::optional<Value::Dictionary> {
        Value::Dictionary parameters = snapshot->request->parameters(snapshot->facts);
        if (snapshot->userID) parameters["rbv_user_id"] = Value(*snapshot->userID);
        if (snapshot->adUnitID) parameters["slotname"] = Value(*snapshot->adUnitID);
        parameters["rbv"] = Value("1");
        if (!requestID.empty()) parameters["request_id"] = Value(requestID);
        parameters["format"] = Value("reward_mb");
        return parameters;
    };
}

void GADRewardBasedVideoAd::loadAdURLWithParameters(const Value::Dictionary& parameters) {
    if (!waitingForSDKCore_) return;
    waitingForSDKCore_ = false;
    fetchAdURL(parameters);
}

void GADRewardBasedVideoAd::fetchAdURL(const Value::Dictionary& parameters) {
    if (parameters.count("errors")) {
        failedToLoadAdWithError(
            GADRequestError::errorWithCodeRequest(kGADErrorInvalidRequest, request_).error());
        return;
    }
    std::optional<platform::Url> url;
    if (const auto found = parameters.find("url");
        found != parameters.end() && found->second.isString()) {
        url = gad_webURLFromString(found->second.stringRef());
    }
    // Without a web URL there is no request, and the fetcher reports that there is no ad.
    auto request = gad_requestForURL(url, std::nullopt, {}, std::nullopt);
    adFetcher_ = GADAdFetcher::create();
    adFetcher_->setRequest(request_);
    platform::Error error;
    if (!adFetcher_->fetchRequestURL(request, weak_from_this(), &error)) {
        adFetcher_.reset();
        failedToLoadAdWithError(error);
    }
}

void GADRewardBasedVideoAd::loadAd(const std::shared_ptr<GADAd>&,
                                   const std::optional<Value::Dictionary>&) {
    if (!waitingForSDKCore_) return;
    failWithCode(kGADErrorInternalError, kLoadAdText);
}

void GADRewardBasedVideoAd::invalidJavaScriptRequest() {
    if (!waitingForSDKCore_) return;
    failWithCode(kGADErrorInvalidRequest, kInvalidRequestText);
}

void GADRewardBasedVideoAd::failedJavaScriptFile() {
    if (!waitingForSDKCore_) return;
    failWithCode(kGADErrorNetworkError, kNoNetworkText);
}

void GADRewardBasedVideoAd::SDKCoreRequestDidTimeOut() {
    if (!waitingForSDKCore_) return;
    failWithCode(kGADErrorTimeout, std::nullopt);
}

// The fetcher

void GADRewardBasedVideoAd::releaseFetcher() {
    platform::MainLoop::main().post([fetcher = std::move(adFetcher_)] {});
    adFetcher_.reset();
}

void GADRewardBasedVideoAd::adFetcherDidFetchAd(GADAdFetcher& fetcher,
                                                const std::shared_ptr<GADAd>& ad) {
    if (&fetcher != adFetcher_.get()) return;
    releaseFetcher();
    loadAd(ad);
}

void GADRewardBasedVideoAd::adFetcherDidFailToFetchAd(GADAdFetcher& fetcher,
                                                      const std::shared_ptr<GADAd>&,
                                                      const GADRequestError& error, std::int64_t) {
    if (&fetcher != adFetcher_.get()) return;
    releaseFetcher();
    failedToLoadAdWithError(error.error());
}

}  // namespace ads
