// The rewarded video ad's own waterfall: the configuration's checks, the set-up of one
// connector per adapter class (kept between loads), the list of connectors to try with a
// time-out per attempt, presenting the received ad, and its pings and reward.

#include <algorithm>

#include "ads/foundation/GADAbsoluteTime.h"
#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADAdResponseHeaders.h"
#include "ads/foundation/GADJSONAdditions.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/mediation/GADAdReward.h"
#include "ads/mediation/GADMRewardBasedVideoAdNetworkConnector.h"
#include "ads/mediation/GADMUtilities.h"
#include "ads/mediation/GADRewardBasedVideoAd.h"
#include "ads/slot/GADMConfig.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

using platform::Value;

namespace {

bool isMediationJSON(const std::optional<Value::Dictionary>& headers) {
    if (!headers) return false;
    // Header names and the media type are both case-insensitive.
    const auto fields = GADAdResponseHeaders::lowercasedFields(*headers);
    const auto mediation = fields.find("x-rade-mediation");
    if (mediation == fields.end() || !mediation->second.boolValue()) return false;
    const auto type = fields.find("content-type");
    return type != fields.end() && type->second.isString() &&
           gad_asciiLowercased(type->second.stringRef()).rfind("application/json", 0) == 0;
}

}  // namespace

void GADRewardBasedVideoAd::processMediationAd(const std::shared_ptr<GADAd>& ad) {
    MOVU_CHECK_MAIN_THREAD();
    if (!ad || !isMediationJSON(ad->responseHeaders())) {
        return failWithCode(kGADErrorReceivedInvalidResponse, kInvalidResponseText);
    }
    platform::Error decodeError;
    const auto decoded = gad_decodedJSONObject(ad->adHTML().value_or(""), &decodeError);
    if (!decoded) return failWithCode(kGADErrorMediationDataError, kInvalidResponseText);
    if (!decoded->isDictionary()) {
        return failWithCode(kGADErrorReceivedInvalidResponse, kInvalidResponseText);
    }

    std::optional<GADRequestError> error;
    mediationConfig_ = GADMConfig::create(std::nullopt, *decoded, error);
    if (error) return failedToLoadAdWithError(error->error());
    if (!mediationConfig_) return failWithCode(kGADErrorMediationDataError, kConfigParseText);
    if (!mediationConfig_->adType().isInterstitial()) {
        return failWithCode(kGADErrorMediationDataError, kInvalidAdTypeText);
    }
    const auto load = loadNumber_;
    setUpAdapters();
    // A set-up that answered inside its call may have ended this load already.
    if (load != loadNumber_ || !requestInProgress_) return;
    buildPendingAdRequestConnectorsList();
    makeNextAdRequest();
}

void GADRewardBasedVideoAd::removeConnector(const std::string& adapterClassName) {
    pendingSetUpConnectorsTimestamp_.erase(adapterClassName);
    const auto found = connectors_.find(adapterClassName);
    if (found == connectors_.end()) return;
    auto connector = found->second;
    connectors_.erase(found);
    std::erase(pendingAdRequestConnectors_, connector);
    // The ad on screen still needs its adapter: it is let go of when it closes.
    if (connector != presentingConnector_) {
        connector->askAdapterToStopBeingDelegate();
        connector->setDelegate({});
    }
}

void GADRewardBasedVideoAd::setUpAdapters() {
    const std::uint64_t now = GADAbsoluteTime::absoluteTimeInMilliseconds();
    const double limit = mediationConfig_->adNetworkTimeout() * 1000;
    std::vector<std::string> stale;
    for (const auto& [name, started] : pendingSetUpConnectorsTimestamp_) {
        if (double(now - started) > limit) stale.push_back(name);
    }
    for (const auto& name : stale) removeConnector(name);

    const auto load = loadNumber_;
    for (const auto& entry : mediationConfig_->adNetworkConfigs()) {
        if (!entry->adapterClass()) continue;
        const std::string name = *entry->adapterClass();
        auto existing = connectorFor(name);
        // Set up for another user: rewards must reach the user of this load.
        if (existing && existing->userID() != userID_.value_or("")) {
            removeConnector(name);
            existing.reset();
        }
        if (existing) {
            // Reused without a new set-up, but with this load's entry and configuration (the
            // first entry of its class wins within a load).
            if (existing->mediationConfig() != mediationConfig_) {
                existing->setAdNetworkConfig(entry);
                existing->setMediationConfig(mediationConfig_);
                existing->setRequest(request_);
            }
            continue;
        }
        auto connector = GADMRewardBasedVideoAdNetworkConnector::create();
        connector->setAdNetworkConfig(entry);
        connector->setMediationConfig(mediationConfig_);
        connector->setDelegate(weak_from_this());
        connectors_[name] = connector;
        pendingSetUpConnectorsTimestamp_[name] = GADAbsoluteTime::absoluteTimeInMilliseconds();
        connector->setRequest(request_);
        connector->setUpAdapterWithUserID(userID_.value_or(""));
        if (load != loadNumber_ || !requestInProgress_) return;
    }
}

void GADRewardBasedVideoAd::buildPendingAdRequestConnectorsList() {
    pendingAdRequestConnectors_.clear();
    for (const auto& entry : mediationConfig_->adNetworkConfigs()) {
        if (!entry->adapterClass()) continue;
        if (auto connector = connectorFor(*entry->adapterClass())) {
            pendingAdRequestConnectors_.push_back(std::move(connector));
        }
    }
}

void GADRewardBasedVideoAd::makeNextAdRequest() {
    MOVU_CHECK_MAIN_THREAD();
    receivedConnector_.reset();
    requestingConnector_.reset();
    if (pendingAdRequestConnectors_.empty()) {
        if (mediationConfig_) {
            GADMRewardBasedVideoAdNetworkConnector::ping(mediationConfig_->noFillURLs(),
                                                         GADMUtilities::defaultNoFillTemplate(),
                                                         mediationConfig_.get());
        }
        return failWithCode(kGADErrorMediationNoFill, kNoAdText);
    }
    auto connector = pendingAdRequestConnectors_.front();
    pendingAdRequestConnectors_.erase(pendingAdRequestConnectors_.begin());
    requestingConnector_ = connector;
    const auto attempt = ++attemptNumber_;
    // Not cancelled: it checks when it fires that this attempt is still the one asking, so a
    // connector tried again (a second entry, the next load) keeps its full time.
    platform::MainLoop::main().postAfter(
        mediationConfig_->adNetworkTimeout(),
        [weak = weak_from_this(), weakConnector = std::weak_ptr(connector), attempt] {
            auto self = weak.lock();
            auto timedOut = weakConnector.lock();
            if (!self || !timedOut || self->attemptNumber_ != attempt) return;
            self->connectorDidFailToReceiveRewardBasedVideoAdWithError(
                *timedOut, GADRequestError::errorWithCode(kGADErrorTimeout, kTimeoutText).error());
        });
    const auto name = connector->adapterClassName();
    if (name && !pendingSetUpConnectorsTimestamp_.count(*name)) requestAdFrom(connector);
}

void GADRewardBasedVideoAd::requestAdFrom(const std::shared_ptr<Connector>& connector) {
    connector->setRequest(request_);
    connector->requestRewardBasedVideoAd();
}

void GADRewardBasedVideoAd::postNextAdRequest() {
    requestingConnector_.reset();
    // The failure may be reported inside the adapter's own call: the next network is asked
    // on a fresh turn, never nested in it. A new load or attempt meanwhile makes this void.
    const auto load = loadNumber_;
    const auto attempt = ++attemptNumber_;
    platform::MainLoop::main().post([weak = weak_from_this(), load, attempt] {
        auto self = weak.lock();
        if (!self || self->loadNumber_ != load || self->attemptNumber_ != attempt ||
            !self->requestInProgress_) {
            return;
        }
        self->makeNextAdRequest();
    });
}

// Connector events

void GADRewardBasedVideoAd::connectorDidSetUpRewardBasedVideoAd(Connector& connector) {
    MOVU_CHECK_MAIN_THREAD();
    if (const auto name = connector.adapterClassName()) {
        pendingSetUpConnectorsTimestamp_.erase(*name);
    }
    if (isRequesting(connector)) requestAdFrom(requestingConnector_);
}

void GADRewardBasedVideoAd::connectorDidFailToSetUpRewardBasedVideoAdWithError(
    Connector& connector, const platform::Error&) {
    MOVU_CHECK_MAIN_THREAD();
    auto keepAlive = connector.shared_from_this();
    const bool requesting = isRequesting(connector);
    // It also leaves the list to try: a connector that is not set up is never asked.
    if (const auto name = connector.adapterClassName()) removeConnector(*name);
    std::erase(pendingAdRequestConnectors_, keepAlive);
    if (requesting && requestInProgress_) postNextAdRequest();
}

void GADRewardBasedVideoAd::connectorDidReceiveRewardBasedVideoAd(Connector& connector) {
    MOVU_CHECK_MAIN_THREAD();
    if (receivedConnector_ || !isRequesting(connector)) return;
    receivedConnector_ = std::move(requestingConnector_);
    requestingConnector_.reset();
    pendingAdRequestConnectors_.clear();
    // Its time-out, still on its way, finds another attempt number.
    ++attemptNumber_;
    adLoadedSuccessfully();
}

void GADRewardBasedVideoAd::connectorDidFailToReceiveRewardBasedVideoAdWithError(
    Connector& connector, const platform::Error&) {
    MOVU_CHECK_MAIN_THREAD();
    // The network's own error is not the app's business: the next network is.
    if (isRequesting(connector) && requestInProgress_) postNextAdRequest();
}

void GADRewardBasedVideoAd::connectorDidReceiveClick(Connector& connector) {
    MOVU_CHECK_MAIN_THREAD();
    const auto config = connector.activeMediationConfig();
    if (!config) return;
    GADMRewardBasedVideoAdNetworkConnector::ping(
        config->clickURLs(), GADMUtilities::defaultClickTemplate(), config.get());
}

void GADRewardBasedVideoAd::connectorDidRewardUserWithReward(
    Connector& connector, const std::shared_ptr<const GADAdReward>& reward) {
    MOVU_CHECK_MAIN_THREAD();
    // Only the ad that was received - or is on screen while a new load runs - pays.
    if (&connector != receivedConnector_.get() && &connector != presentingConnector_.get()) return;
    auto d = delegate();
    if (!d) return;
    const auto config = connector.activeMediationConfig();
    if (config && !config->rewards().empty()) {
        d->rewardBasedVideoAdDidRewardUserWithReward(
            *this, GADAdReward::createWithRewardDictionary(&config->rewards().front()));
    } else if (reward) {
        d->rewardBasedVideoAdDidRewardUserWithReward(*this, reward);
    }
}

// Presenting

void GADRewardBasedVideoAd::presentMediatedRewardBasedVideoAdFromViewController(
    const std::shared_ptr<platform::ui::ViewController>& root) {
    MOVU_CHECK_MAIN_THREAD();
    if (!receivedConnector_) return;
    const auto config = receivedConnector_->mediationConfig();
    if (config) {
        GADMRewardBasedVideoAdNetworkConnector::ping(
            config->impressionURLs(), GADMUtilities::defaultImpressionTemplate(), config.get());
    }
    presentingConnector_ = receivedConnector_;
    receivedConnector_->presentFromRootViewController(shared_from_this(), root);
}

void GADRewardBasedVideoAd::connectorDidEndPresentation(Connector& connector) {
    if (&connector != presentingConnector_.get()) return;
    auto ended = std::move(presentingConnector_);
    presentingConnector_.reset();
    // Replaced while on screen (another user, a stale set-up): its adapter can go now.
    const auto name = ended->adapterClassName();
    if (!name || connectorFor(*name) != ended) {
        ended->askAdapterToStopBeingDelegate();
        ended->setDelegate({});
    }
}

}  // namespace ads
