#include "ads/mediation/GADMAdNetworkConnector.h"

#include <cmath>

#include "ads/foundation/GADClickTrackerCollection.h"
#include "ads/foundation/GADLogger.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/GADSlotStatistics.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/mediation/GADMConnectorDelegate.h"
#include "ads/mediation/GADMUtilities.h"
#include "ads/slot/GADSlot.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

void GADMAdNetworkConnector::registerClass() {
    auto& registry = platform::ClassRegistry::shared();
    registry.registerClass<GADMAdNetworkConnector>(
        kClassName, "NSObject", {"GADMAdNetworkConnector"},
        [] { return std::make_shared<GADMAdNetworkConnector>(); });
    registry.addInstanceCalls(kClassName, {kInitCall});
}

GADMAdNetworkConnector::~GADMAdNetworkConnector() {
    if (adapter_) adapter_->stopBeingDelegate();
}

void GADMAdNetworkConnector::initWithConfig(
    std::shared_ptr<GADMConfig> config, std::shared_ptr<const GADMAdNetworkConfig> networkConfig) {
    mediationConfig_ = std::move(config);
    networkConfig_ = std::move(networkConfig);
    strippedCredentials_.clear();
    isLocationShared_ = false;
    if (!networkConfig_) return;
    strippedCredentials_ = networkConfig_->credentials();
    const auto share = strippedCredentials_.find(GADMAdNetworkConfig::kShareLocationKey);
    if (share != strippedCredentials_.end()) {
        isLocationShared_ = share->second.isString() && share->second.stringRef() == "1";
        strippedCredentials_.erase(share);
    }
}

bool GADMAdNetworkConnector::setUpAdapter() {
    MOVU_CHECK_MAIN_THREAD();
    const auto name = adapterClassName();
    if (!name) return false;
    adapter_ = platform::ClassRegistry::shared().create<GADMAdNetworkAdapterProtocol>(*name);
    if (!adapter_) return false;
    adapter_->initWithGADMAdNetworkConnector(weak_from_this());
    return true;
}

std::optional<std::string> GADMAdNetworkConnector::adapterClassName() const {
    return networkConfig_ ? networkConfig_->adapterClass() : std::nullopt;
}

void GADMAdNetworkConnector::getAdFromAdapterWithType(const GADAdType&) {
    failInternally("Instantiated connector " + std::string(className()) + " can't request an ad.");
}

void GADMAdNetworkConnector::failInternally(const std::string& text) {
    const auto error = GADRequestError::errorWithCode(kGADErrorInternalError, text);
    if (adapter_) {
        // Held: the callback may let go of this connector's adapter.
        auto adapter = adapter_;
        adapterDidFailAd(*adapter, error);
    }
}

void GADMAdNetworkConnector::askAdapterToStopBeingDelegate() {
    if (adapter_) adapter_->stopBeingDelegate();
}

std::shared_ptr<GADSlot> GADMAdNetworkConnector::slot() const {
    auto manager = adManager();
    return manager ? manager->slot() : nullptr;
}

std::shared_ptr<GADRequest> GADMAdNetworkConnector::publisherRequest() const {
    auto slot = this->slot();
    return slot ? slot->request() : nullptr;
}

// What the adapter reads

std::optional<std::string> GADMAdNetworkConnector::publisherId() const {
    return networkConfig_ ? networkConfig_->publisherID() : std::nullopt;
}

std::shared_ptr<platform::ui::ViewController>
GADMAdNetworkConnector::viewControllerForPresentingModalView() const {
    auto slot = this->slot();
    return slot ? mediatedSlotOf(*slot).viewControllerForPresentingModalView() : nullptr;
}

std::optional<std::string> GADMAdNetworkConnector::requestAgent() const {
    auto request = publisherRequest();
    return request ? request->requestAgent() : std::nullopt;
}

int GADMAdNetworkConnector::publisherRequestDepth() const {
    auto request = publisherRequest();
    return request ? request->mediationDepth() : 0;
}

bool GADMAdNetworkConnector::isAutoClickProtected() const {
    auto slot = this->slot();
    return slot && slot->opener() && slot->opener()->autoClickProtected();
}

std::string GADMAdNetworkConnector::adapterVersion() const {
    const auto name = adapterClassName();
    std::optional<std::string> version;
    if (name) {
        const auto record =
            platform::ClassRegistry::shared().classRecord<GADMAdapterClassRecord>(*name);
        if (record && record->adapterVersion) version = record->adapterVersion();
    }
    if (!version && adapter_) version = adapter_->adapterVersion();
    return "adapter: " + name.value_or("(null)") + ", version: " + version.value_or("unknown");
}

// Callbacks and pings

void GADMAdNetworkConnector::adapterDidGetAdClick(Adapter& adapter) {
    if (isOwnAdapter(adapter)) reportClick();
}

void GADMAdNetworkConnector::adapterViewWasTouched(Adapter& adapter,
                                                   const platform::ui::View& view) {
    MOVU_CHECK_MAIN_THREAD();
    if (!isOwnAdapter(adapter)) return;
    if (auto slot = this->slot()) mediatedSlotOf(*slot).mediatedViewWasTouched(view);
}

void GADMAdNetworkConnector::openClickThroughURL(Adapter& adapter, const platform::Url& url) {
    MOVU_CHECK_MAIN_THREAD();
    if (!isOwnAdapter(adapter)) return;
    auto slot = this->slot();
    if (!slot || !mediatedSlotOf(*slot).openMediatedClickThrough(url)) return;
    adapterDidGetAdClick(adapter);
}

void GADMAdNetworkConnector::reportClick() {
    MOVU_CHECK_MAIN_THREAD();
    if (clicked_ || !mediationConfig_ || !networkConfig_) return;
    clicked_ = true;
    ping(mediationConfig_->clickURLs(), networkConfig_->clickURLs(),
         GADMUtilities::defaultClickTemplate(), std::nullopt, std::nullopt);
}

void GADMAdNetworkConnector::reportImpression() {
    MOVU_CHECK_MAIN_THREAD();
    if (!mediationConfig_ || !networkConfig_) return;
    std::optional<std::string> durations, exitCodes;
    if (auto slot = this->slot()) {
        durations = mediatedSlotOf(*slot).slotStats()->adapterDurationsParameter();
        exitCodes = mediatedSlotOf(*slot).slotStats()->adapterExitCodesParameter();
        mediatedSlotOf(*slot).slotStats()->resetTimingAdapters();
        // The pass that brought this ad is reported: its statistics are stored once, now.
        mediatedSlotOf(*slot).slotStats()->savePersistentStatistics();
    }
    ping(mediationConfig_->impressionURLs(), networkConfig_->impressionURLs(),
         GADMUtilities::defaultImpressionTemplate(), std::move(durations), std::move(exitCodes));
}

void GADMAdNetworkConnector::ping(const std::vector<std::string>& configTemplates,
                                  const std::vector<std::string>& networkTemplates,
                                  const std::string& defaultTemplate,
                                  std::optional<std::string> durations,
                                  std::optional<std::string> exitCodes) {
    std::vector<std::string> templates = configTemplates;
    templates.insert(templates.end(), networkTemplates.begin(), networkTemplates.end());
    GADMediationPingValues values;
    values.adLocationID = mediationConfig_->appKey();
    values.adNetworkRefresh = didNetworkRefresh_;
    values.allocationID = networkConfig_->allocationID();
    values.adNetworkID = networkConfig_->networkID();
    values.qData = mediationConfig_->qdata();
    values.durations = std::move(durations);
    values.exitCodes = std::move(exitCodes);
    GADMUtilities::trackMediationURLsFromTemplates(*GADClickTrackerCollection::sharedInstance(),
                                                   templates, defaultTemplate, std::move(values));
}

}  // namespace ads
