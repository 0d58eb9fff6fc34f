#pragma once

// What tests read and drive inside a slot beyond its owner's face: the state machine's inner
// steps, the request in flight and the collaborators the slot keeps to itself.

#include <memory>

#include "ads/slot/GADSlot.h"

namespace ads {

class GADSlotTestPeer {
  public:
    explicit GADSlotTestPeer(GADSlot& slot) : slot_(slot) {}
    explicit GADSlotTestPeer(const std::shared_ptr<GADSlot>& slot) : slot_(*slot) {}
    explicit GADSlotTestPeer(GADSlot* slot) : slot_(*slot) {}

    // The faces the ad's page and screens see.
    GADPageSlot& page() { return slot_; }
    GADSDKCoreControllerDelegate& requester() { return slot_; }

    // Sets one of the slot's delegates, leaving the others.
    template <class Member, class Delegate>
    void setDelegate(Member GADSlotDelegates::*which, const Delegate& delegate) {
        GADSlotDelegates delegates = slot_.delegates();
        delegates.*which = delegate;
        slot_.setDelegates(std::move(delegates));
    }

    void setState(GADSlotState state) { slot_.setState(state); }
    void resetState() { slot_.resetState(); }
    void setStateObserver(GADSlot::StateObserver observer) {
        slot_.stateObserver_ = std::move(observer);
    }
    bool isMakingRequest() const { return slot_.isMakingRequest(); }
    bool hasInAppPurchaseDelegate() const { return slot_.hasInAppPurchaseDelegate(); }
    GADSlotActiveView& activeView() { return slot_.activeView(); }
    const std::shared_ptr<GADMSlotDelegate>& mediationManager() const {
        return slot_.mediationManager();
    }
    const std::shared_ptr<GADMConfig>& mediationConfiguration() const {
        return slot_.mediationConfiguration();
    }
    bool hasConsistentMediationConfigForAdType(const std::optional<GADAdType>& requested) {
        return slot_.hasConsistentMediationConfigForAdType(requested);
    }
    void requestAdWithType(const GADAdType& type, std::shared_ptr<GADMConfig> config) {
        slot_.requestAdWithType(type, std::move(config));
    }
    void didReceiveAdURL() { slot_.didReceiveAdURL(); }
    void cancelLoad() { slot_.cancelLoad(); }
    void processAdResponse(const std::shared_ptr<GADAd>& ad) { slot_.processAdResponse(ad); }

    bool holdsMRAIDInterceptor() const { return slot_.holdsInterceptor_; }
    bool slotHasAttemptedAnAdRequestAtLeastOnce() const { return slot_.attemptedRequest_; }
    bool viewHasMadeImpression() const { return slot_.viewHasMadeImpression_; }
    bool calledLoadAndDisplayRequest() const { return slot_.calledLoadAndDisplayRequest_; }
    void setCalledLoadAndDisplayRequest(bool called) {
        slot_.calledLoadAndDisplayRequest_ = called;
    }
    const std::shared_ptr<GADAd>& loadingAd() const { return slot_.loadingAd_; }
    const std::optional<platform::Value::Dictionary>& loadingAdHeaders() const {
        return slot_.loadingAdHeaders_;
    }
    const GADApplication::StatisticsSet& pendingAdStatistics() const {
        return slot_.pendingAdStatistics_;
    }
    const std::optional<std::string>& requestID() const { return slot_.requestID_; }
    const std::shared_ptr<GADOpener>& opener() const { return slot_.opener_; }
    const std::shared_ptr<GADBannerAdViewDelegate>& adViewDelegate() const {
        return slot_.adViewDelegate_;
    }

  private:
    GADSlot& slot_;
};

}  // namespace ads
