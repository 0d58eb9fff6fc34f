#include "ads/mediation/GADMAdManager.h"

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADAdMediationDelegate.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADClickTrackerCollection.h"
#include "ads/foundation/GADLogger.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/GADSlotStatistics.h"
#include "ads/mediation/GADMAdNetworkConnector.h"
#include "ads/mediation/GADMAdURLAdapter.h"
#include "ads/mediation/GADMUtilities.h"
#include "ads/mediation/GADMediatedAd.h"
#include "ads/slot/GADMConfig.h"
#include "ads/slot/GADSlot.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/Timer.h"

namespace ads {

namespace {
// A mediated network stands for the ad's page: it reports to the slot through the page's face.
GADPageSlot& pageOf(GADSlot& slot) {
    return slot;
}

// The adapters that answer with our own ad classes, whose slots may mediate again.
bool nestsOurOwnAds(const std::string& adapterClass) {
    return adapterClass == kGADOwnAdapterClassName || adapterClass == GADMAdURLAdapter::kClassName;
}

int depthOf(const GADSlot& slot) {
    const auto& request = slot.request();
    return request ? request->mediationDepth() : 0;
}
}  // namespace

std::shared_ptr<GADMAdManager> GADMAdManager::create() {
    return std::make_shared<GADMAdManager>(Private{});
}

GADMAdManager::~GADMAdManager() {
    stopTimer();
    if (requestingConnector_) requestingConnector_->setAdManager({});
    if (receivedConnector_) receivedConnector_->setAdManager({});
}

void GADMAdManager::mediateForAdType(const GADAdType& type, std::shared_ptr<GADMConfig> config) {
    MOVU_CHECK_MAIN_THREAD();
    adType_ = type;
    config_ = std::move(config);
    if (requestInProgress_ || !config_) return;
    adNetworkConfigQueue_.assign(config_->adNetworkConfigs().begin(),
                                 config_->adNetworkConfigs().end());
    if (auto slot = this->slot()) mediatedSlotOf(*slot).slotStats()->resetTimingAdapters();
    makeAdRequest();
}

void GADMAdManager::makeAdRequest() {
    if (!platform::isMainThread()) {
        platform::MainLoop::main().post([weak = weak_from_this(), group = pendingActionGroup_] {
            auto self = weak.lock();
            if (self && self->pendingActionGroup_ == group) self->makeAdRequest();
        });
        return;
    }
    auto slot = this->slot();
    if (!slot || !config_) return;
    // Whatever the last network still says is no longer heard.
    letGoOfRequestingConnector();
    const auto& stats = mediatedSlotOf(*slot).slotStats();
    const auto ad = slot->ad();
    const auto delegate = ad ? ad->mediationDelegate() : nullptr;
    const std::string connectorClass = delegate ? delegate->connectorClassForAd(*ad) : "";
    auto& registry = platform::ClassRegistry::shared();
    if (!registry.instancesRespondTo(connectorClass, GADMAdNetworkConnector::kInitCall)) {
        stopTimer();
        reportNoFill();
        slot->didFailToReceiveAdWithError(
            GADRequestError::errorWithCode(kGADErrorMediationAdapterError), false);
        return;
    }

    const bool tooDeep = depthOf(*slot) >= kMaxOwnNetworkDepth;
    std::shared_ptr<const GADMAdNetworkConfig> network;
    while (!network && !adNetworkConfigQueue_.empty()) {
        network = adNetworkConfigQueue_.front();
        adNetworkConfigQueue_.pop_front();
        stats->startTimingAdapter();
        if (!network->adapterClass()) {
            stats->endTimingAdapterWithExitCode(GADAdapterExitCode::NoAdapterClass);
            network.reset();
        } else if (tooDeep && nestsOurOwnAds(*network->adapterClass())) {
            // An answer that names our own ads for a request our own ads made, this deep:
            // asking would nest one more banner in this one, and its answer may do the same.
            GADLogger::sharedInstance().logPublicMessage(
                "Mediation: an ad network of our own ads is not asked again this deep in its "
                "own waterfalls; the next network is asked.");
            stats->endTimingAdapterWithExitCode(GADAdapterExitCode::Error);
            network.reset();
        }
    }
    if (!network) {
        stopTimer();
        reportNoFill();
        slot->didFailToReceiveAdWithError(GADRequestError::errorWithCode(kGADErrorMediationNoFill),
                                          false);
        return;
    }

    requestInProgress_ = true;
    auto connector = registry.create<GADMAdNetworkConnector>(connectorClass);
    if (connector) {
        connector->initWithConfig(config_, network);
        if (auto loaderConfiguration = delegate->adLoaderConfigurationForAd(*ad)) {
            connector->setAdLoaderConfiguration(std::move(loaderConfiguration));
        }
    }
    if (!connector || !connector->setUpAdapter()) {
        // A class that is registered but cannot be made fails like a network with an error.
        requestInProgress_ = false;
        endAttempt(static_cast<long>(GADAdapterExitCode::Error));
        postMakeAdRequest();
        return;
    }
    connector->setAdManager(weak_from_this());
    requestingConnector_ = connector;

    stopTimer();
    adNetworkTimeoutTimer_ = platform::Timer::schedule(
        config_->adNetworkTimeout(), false, kTimeoutTolerance, [weak = weak_from_this()] {
            if (auto self = weak.lock()) self->adNetworkTimeoutHandler();
        });
    connector->getAdFromAdapterWithType(adType_);
}

void GADMAdManager::postMakeAdRequest() {
    platform::MainLoop::main().post([weak = weak_from_this(), group = pendingActionGroup_] {
        auto self = weak.lock();
        if (self && self->pendingActionGroup_ == group) self->makeAdRequest();
    });
}

void GADMAdManager::endAttempt(long exitCode) {
    if (auto slot = this->slot())
        mediatedSlotOf(*slot).slotStats()->endTimingAdapterWithExitCode(exitCode);
}

void GADMAdManager::adNetworkTimeoutHandler() {
    MOVU_CHECK_MAIN_THREAD();
    endAttempt(static_cast<long>(GADAdapterExitCode::Timeout));
    resetRequestingState();
    if (auto connector = requestingConnector_) {
        connector->askAdapterToStopBeingDelegate();
        if (connector != receivedConnector_) cancelPendingActions();
    }
    letGoOfRequestingConnector();
    makeAdRequest();
}

void GADMAdManager::letGoOfRequestingConnector() {
    auto connector = std::move(requestingConnector_);
    requestingConnector_.reset();
    // Its adapter is told to stop when the connector goes.
    if (connector && connector != receivedConnector_) connector->setAdManager({});
}

bool GADMAdManager::shouldProcessResponseFromConnector(const GADMAdNetworkConnector& connector) {
    if (&connector != requestingConnector_.get() && &connector != receivedConnector_.get()) {
        return false;
    }
    resetRequestingState();
    return true;
}

void GADMAdManager::resetRequestingState() {
    stopTimer();
    requestInProgress_ = false;
}

void GADMAdManager::stopTimer() {
    if (adNetworkTimeoutTimer_) adNetworkTimeoutTimer_->invalidate();
    adNetworkTimeoutTimer_.reset();
}

void GADMAdManager::receive(GADMAdNetworkConnector& connector) {
    if (receivedConnector_ && receivedConnector_->adManager()) cancelPendingActions();
    if (receivedConnector_) receivedConnector_->setAdManager({});
    receivedConnector_ = connector.shared_from_this();
}

void GADMAdManager::adRequestReturnsFromConnectorWithView(
    GADMAdNetworkConnector& connector, const std::shared_ptr<platform::ui::View>& view) {
    MOVU_CHECK_MAIN_THREAD();
    if (!shouldProcessResponseFromConnector(connector)) return;
    auto slot = this->slot();
    if (&connector == receivedConnector_.get()) {
        // The network refreshed by itself: its own attempt, which took no waiting of ours.
        if (slot) mediatedSlotOf(*slot).slotStats()->startTimingAdapter();
    } else {
        receive(connector);
    }
    endAttempt(static_cast<long>(GADAdapterExitCode::Delivered));
    if (!slot) return;
    mediatedSlotOf(*slot).showMediatedView(view);
    pageOf(*slot).didReceiveValidAd();
    pageOf(*slot).adFinishedLoadingContent();
}

void GADMAdManager::adRequestReturnsFromConnectorWithInterstitial(
    GADMAdNetworkConnector& connector) {
    MOVU_CHECK_MAIN_THREAD();
    if (!shouldProcessResponseFromConnector(connector)) return;
    if (&connector != receivedConnector_.get()) {
        endAttempt(static_cast<long>(GADAdapterExitCode::Delivered));
        receive(connector);
    }
    requestingConnector_.reset();
    if (auto slot = this->slot()) {
        pageOf(*slot).didReceiveValidAd();
        pageOf(*slot).adFinishedLoadingContent();
    }
}

void GADMAdManager::adRequestReturnsFromConnectorWithMediatedAd(
    GADMAdNetworkConnector& connector, const std::shared_ptr<GADMediatedAd>& mediatedAd) {
    MOVU_CHECK_MAIN_THREAD();
    if (&connector == receivedConnector_.get() || receivedConnector_) return;
    if (!shouldProcessResponseFromConnector(connector)) return;
    auto slot = this->slot();
    const auto ad = slot ? slot->ad() : nullptr;
    const auto delegate = ad ? ad->mediationDelegate() : nullptr;
    if (!delegate || !delegate->answersProcessMediatedAd() || !mediatedAd) {
        letGoOfRequestingConnector();
        makeAdRequest();
        return;
    }
    std::weak_ptr<GADMAdNetworkConnector> weakConnector = connector.shared_from_this();
    mediatedAd->addClickHandler([weakConnector] {
        if (auto c = weakConnector.lock()) c->reportClick();
    });
    mediatedAd->addImpressionHandler([weakConnector] {
        if (auto c = weakConnector.lock()) c->reportImpression();
    });
    // The completion counts only for this pass and this connector: a late one of an earlier
    // network or a cancelled pass changes nothing.
    delegate->processMediatedAd(
        *ad, mediatedAd,
        [weak = weak_from_this(), weakConnector,
         group = pendingActionGroup_](const std::optional<platform::Error>& error) {
            auto self = weak.lock();
            auto connector = weakConnector.lock();
            if (!self || !connector || self->pendingActionGroup_ != group ||
                self->requestingConnector_ != connector) {
                return;
            }
            if (error) {
                // Refused: whatever this network says from now on (another copy of its ad, a
                // failure) must not reach the slot after the pass has moved on or ended.
                self->letGoOfRequestingConnector();
                self->makeAdRequest();
                return;
            }
            self->receive(*connector);
            self->requestingConnector_.reset();
            if (auto slot = self->slot()) {
                pageOf(*slot).didReceiveValidAd();
                pageOf(*slot).adFinishedLoadingContent();
            }
        });
}

void GADMAdManager::adRequestFailedFromConnectorWithError(GADMAdNetworkConnector& connector,
                                                          const platform::Error& error) {
    MOVU_CHECK_MAIN_THREAD();
    if (!shouldProcessResponseFromConnector(connector)) return;
    auto keep = connector.shared_from_this();
    const bool refreshed = connector.didNetworkRefresh();
    if (requestingConnector_ && requestingConnector_ != receivedConnector_) {
        cancelPendingActions();
    }
    letGoOfRequestingConnector();
    auto slot = this->slot();
    if (!adType_.isInterstitial() && refreshed) {
        if (!slot) return;
        mediatedSlotOf(*slot).mediatedAdNetworkAutoRefreshed();
        mediatedSlotOf(*slot).mediatedAdFailedToReceiveContentWithError(
            GADRequestError::errorWithCode(kGADErrorServerError, error.localizedDescription()));
        return;
    }
    if (&connector == receivedConnector_.get()) {
        // The pass already ended with this network's ad (an interstitial that then would not
        // present): its error is the slot's, and no other network is asked.
        if (slot)
            mediatedSlotOf(*slot).mediatedAdFailedToReceiveContentWithError(
                GADRequestError::fromError(error));
        return;
    }
    const bool noFill = error.domain == "com.zivivu.ads" && error.code == kGADErrorNoFill;
    endAttempt(static_cast<long>(noFill ? GADAdapterExitCode::NoFill : GADAdapterExitCode::Error));
    postMakeAdRequest();
}

bool GADMAdManager::changeAdTypeTo(const std::optional<GADAdType>& type) {
    MOVU_CHECK_MAIN_THREAD();
    if (type) adType_ = *type;
    if (!receivedConnector_ || !receivedConnector_->adapter()) return false;
    const auto name = receivedConnector_->adapterClassName();
    if (!name || !platform::ClassRegistry::shared().instancesRespondTo(
                     *name, GADMAdNetworkAdapterProtocol::kChangeAdSizeCall)) {
        return false;
    }
    receivedConnector_->adapter()->changeAdSizeTo(type ? type->adSize() : GADAdSize{{0, 0}, 0});
    return true;
}

void GADMAdManager::presentInterstitialFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& root) {
    MOVU_CHECK_MAIN_THREAD();
    if (!receivedConnector_ || !receivedConnector_->adapter()) return;
    auto adapter = receivedConnector_->adapter();
    adapter->presentInterstitialFromRootViewController(root);
}

void GADMAdManager::cancelPendingActions() {
    ++pendingActionGroup_;
    stopTimer();
}

void GADMAdManager::cancel() {
    if (!platform::isMainThread()) {
        platform::MainLoop::main().post([weak = weak_from_this()] {
            if (auto self = weak.lock()) self->cancel();
        });
        return;
    }
    cancelPendingActions();
    for (auto* connector : {&requestingConnector_, &receivedConnector_}) {
        if (!*connector) continue;
        (*connector)->askAdapterToStopBeingDelegate();
        (*connector)->setAdManager({});
        connector->reset();
    }
    resetRequestingState();
    // A pass cut short keeps what its attempts recorded.
    if (auto slot = this->slot()) mediatedSlotOf(*slot).slotStats()->savePersistentStatistics();
}

std::optional<std::string> GADMAdManager::receivedAdapterClassName() const {
    return receivedConnector_ ? receivedConnector_->adapterClassName() : std::nullopt;
}

void GADMAdManager::reportNoFill() {
    auto slot = this->slot();
    if (!slot || !config_) return;
    const auto& stats = mediatedSlotOf(*slot).slotStats();
    GADMediationPingValues values;
    values.exitCodes = stats->adapterExitCodesParameter();
    values.durations = stats->adapterDurationsParameter();
    stats->resetTimingAdapters();
    // The pass is over: its statistics are stored once, now, off the main thread.
    stats->savePersistentStatistics();
    values.adLocationID = config_->appKey();
    values.qData = config_->qdata();
    GADMUtilities::trackMediationURLsFromTemplates(
        *GADClickTrackerCollection::sharedInstance(), config_->noFillURLs(),
        GADMUtilities::defaultNoFillTemplate(), std::move(values));
}

}  // namespace ads
