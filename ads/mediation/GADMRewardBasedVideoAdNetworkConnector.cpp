#include "ads/mediation/GADMRewardBasedVideoAdNetworkConnector.h"

#include "ads/foundation/GADClickTrackerCollection.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/mediation/GADMUtilities.h"
#include "ads/mediation/GADRewardBasedVideoAd.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

std::shared_ptr<GADMRewardBasedVideoAdNetworkConnector>
GADMRewardBasedVideoAdNetworkConnector::create() {
    return std::make_shared<GADMRewardBasedVideoAdNetworkConnector>();
}

GADMRewardBasedVideoAdNetworkConnector::~GADMRewardBasedVideoAdNetworkConnector() {
    askAdapterToStopBeingDelegate();
}

void GADMRewardBasedVideoAdNetworkConnector::setAdNetworkConfig(
    std::shared_ptr<const GADMAdNetworkConfig> networkConfig) {
    if (!networkConfig) return;
    if (adNetworkConfig_ && adNetworkConfig_->adapterClass() != networkConfig->adapterClass()) {
        return;
    }
    adNetworkConfig_ = std::move(networkConfig);
    networkData_ = adNetworkConfig_->credentials();
    isLocationShared_ = false;
    const auto share = networkData_.find(GADMAdNetworkConfig::kShareLocationKey);
    if (share != networkData_.end()) {
        isLocationShared_ = share->second.isString() && share->second.stringRef() == "1";
        networkData_.erase(share);
    }
}

std::optional<std::string> GADMRewardBasedVideoAdNetworkConnector::adapterClassName() const {
    return adNetworkConfig_ ? adNetworkConfig_->adapterClass() : std::nullopt;
}

void GADMRewardBasedVideoAdNetworkConnector::failSetUp(std::int64_t code, const std::string& text) {
    if (auto d = delegate()) {
        d->connectorDidFailToSetUpRewardBasedVideoAdWithError(
            *this, GADRequestError::errorWithCode(code, text).error());
    }
}

void GADMRewardBasedVideoAdNetworkConnector::setUpAdapterWithUserID(const std::string& userID) {
    MOVU_CHECK_MAIN_THREAD();
    if (!adNetworkConfig_) return failSetUp(kGADErrorMediationDataError, kNoNetworkConfigText);
    const auto name = adapterClassName();
    if (!name) return failSetUp(kGADErrorMediationAdapterError, kEmptyAdapterClassText);
    auto& registry = platform::ClassRegistry::shared();
    if (!adapter_ &&
        registry.conformsTo(*name, GADMRewardBasedVideoAdNetworkAdapter::kProtocolName)) {
        adapter_ = registry.create<GADMRewardBasedVideoAdNetworkAdapter>(*name);
        if (adapter_) adapter_->initWithGADMAdNetworkConnector(weak_from_this());
    }
    if (!adapter_) {
        // Also a class that declares the protocol but makes no such adapter.
        return failSetUp(kGADErrorMediationAdapterError,
                         std::string("Adapter class doesn't conform to protocol ") +
                             GADMRewardBasedVideoAdNetworkAdapter::kProtocolName + ".");
    }
    userID_ = userID;
    // Held: the adapter may answer inside the call, and the answer may let go of this connector.
    auto keepAlive = shared_from_this();
    auto adapter = adapter_;
    adapter->setUpWithUserID(userID);
}

void GADMRewardBasedVideoAdNetworkConnector::requestRewardBasedVideoAd() {
    MOVU_CHECK_MAIN_THREAD();
    if (!adapter_) return;
    auto keepAlive = shared_from_this();
    auto adapter = adapter_;
    adapter->requestRewardBasedVideoAd();
}

void GADMRewardBasedVideoAdNetworkConnector::presentFromRootViewController(
    const std::shared_ptr<GADRewardBasedVideoAd>& ad,
    const std::shared_ptr<platform::ui::ViewController>& root) {
    MOVU_CHECK_MAIN_THREAD();
    presented_ = Presented{mediationConfig_, adNetworkConfig_};
    rewardBasedVideoAd_ = ad;
    if (adNetworkConfig_) {
        ping(adNetworkConfig_->impressionURLs(),
             adNetworkConfig_->namesImpressionURLs()
                 ? std::nullopt
                 : std::optional(GADMUtilities::defaultImpressionTemplate()),
             mediationConfig_.get());
    }
    if (!adapter_) return;
    auto keepAlive = shared_from_this();
    auto adapter = adapter_;
    adapter->presentRewardBasedVideoAdWithRootViewController(root);
}

void GADMRewardBasedVideoAdNetworkConnector::askAdapterToStopBeingDelegate() {
    // Once: a connector let go of is not used again.
    if (adapter_ && !stoppedAdapter_) adapter_->stopBeingDelegate();
    stoppedAdapter_ = true;
}

std::shared_ptr<GADMConfig> GADMRewardBasedVideoAdNetworkConnector::activeMediationConfig() const {
    return presented_ ? presented_->config : mediationConfig_;
}

std::shared_ptr<const GADMAdNetworkConfig>
GADMRewardBasedVideoAdNetworkConnector::activeNetworkConfig() const {
    return presented_ ? presented_->networkConfig : adNetworkConfig_;
}

void GADMRewardBasedVideoAdNetworkConnector::ping(const std::vector<std::string>& templates,
                                                  const std::optional<std::string>& defaultTemplate,
                                                  const GADMConfig* config) {
    MOVU_CHECK_MAIN_THREAD();
    // No ad unit, network, allocation, exit codes or durations: those placeholders stay.
    GADMediationPingValues values;
    if (config) values.qData = config->qdata();
    GADMUtilities::trackMediationURLsFromTemplates(*GADClickTrackerCollection::sharedInstance(),
                                                   templates, defaultTemplate, std::move(values));
}

// What the adapter reads

std::optional<std::string> GADMRewardBasedVideoAdNetworkConnector::publisherId() const {
    return adNetworkConfig_ ? adNetworkConfig_->publisherID() : std::nullopt;
}

// The adapter's reports

void GADMRewardBasedVideoAdNetworkConnector::adapterDidSetUpRewardBasedVideoAd(Adapter&) {
    if (auto d = delegate()) d->connectorDidSetUpRewardBasedVideoAd(*this);
}

void GADMRewardBasedVideoAdNetworkConnector::adapterDidFailToSetUpRewardBasedVideoAdWithError(
    Adapter&, const platform::Error& error) {
    if (auto d = delegate()) d->connectorDidFailToSetUpRewardBasedVideoAdWithError(*this, error);
}

void GADMRewardBasedVideoAdNetworkConnector::adapterDidReceiveRewardBasedVideoAd(Adapter&) {
    if (auto d = delegate()) d->connectorDidReceiveRewardBasedVideoAd(*this);
}

void GADMRewardBasedVideoAdNetworkConnector::adapterDidFailToLoadRewardBasedVideoAdwithError(
    Adapter&, const platform::Error& error) {
    if (auto d = delegate()) d->connectorDidFailToReceiveRewardBasedVideoAdWithError(*this, error);
}

void GADMRewardBasedVideoAdNetworkConnector::adapterDidGetAdClick(Adapter&) {
    if (auto network = activeNetworkConfig()) {
        ping(network->clickURLs(),
             network->namesClickURLs() ? std::nullopt
                                       : std::optional(GADMUtilities::defaultClickTemplate()),
             activeMediationConfig().get());
    }
    if (auto d = delegate()) d->connectorDidReceiveClick(*this);
}

void GADMRewardBasedVideoAdNetworkConnector::adapterDidRewardUserWithReward(
    Adapter&, const std::shared_ptr<const GADAdReward>& reward) {
    if (auto network = activeNetworkConfig()) {
        ping(network->rewardedUserURLs(), std::nullopt, activeMediationConfig().get());
    }
    if (auto d = delegate()) d->connectorDidRewardUserWithReward(*this, reward);
}

void GADMRewardBasedVideoAdNetworkConnector::adapterDidOpenRewardBasedVideoAd(Adapter&) {
    auto ad = rewardBasedVideoAd();
    auto d = ad ? ad->delegate() : nullptr;
    if (d) d->rewardBasedVideoAdDidOpen(*ad);
}

void GADMRewardBasedVideoAdNetworkConnector::adapterDidStartPlayingRewardBasedVideoAd(Adapter&) {
    if (auto network = activeNetworkConfig()) {
        ping(network->videoStartURLs(), std::nullopt, activeMediationConfig().get());
    }
    auto ad = rewardBasedVideoAd();
    auto d = ad ? ad->delegate() : nullptr;
    if (d) d->rewardBasedVideoAdDidStartPlaying(*ad);
}

void GADMRewardBasedVideoAdNetworkConnector::adapterDidCloseRewardBasedVideoAd(Adapter&) {
    auto keepAlive = shared_from_this();
    auto ad = rewardBasedVideoAd();
    if (auto d = ad ? ad->delegate() : nullptr) d->rewardBasedVideoAdDidClose(*ad);
    // The ad is over: what arrives from now on belongs to the connector's current load.
    rewardBasedVideoAd_.reset();
    presented_.reset();
    if (ad) ad->connectorDidEndPresentation(*this);
}

void GADMRewardBasedVideoAdNetworkConnector::adapterWillLeaveApplication(Adapter&) {
    auto ad = rewardBasedVideoAd();
    auto d = ad ? ad->delegate() : nullptr;
    if (d) d->rewardBasedVideoAdWillLeaveApplication(*ad);
}

}  // namespace ads
