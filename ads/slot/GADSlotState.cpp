// The slot's state changes and the failure path that reports to its owner.

#include "ads/slot/GADSlot.h"

namespace ads {

void GADSlot::setState(GADSlotState state) {
    if (state == state_ || state_ == GADSlotState::Invalidated) return;
    state_ = state;
}

void GADSlot::willRequestAdURL() {
    applicationStatistics_ =
        GADApplication::sharedInstance()->nextRequestStatisticsDictionaryForSlot(isMediating());
    setState(GADSlotState::RequestingAdURL);
}

void GADSlot::didReceiveAdURL() {
    setState(GADSlotState::ReceivedAdURL);
}

void GADSlot::didFailToRetrieveSDKCoreWithError(const GADRequestError& error) {
    setState(GADSlotState::SDKCoreFailed);
    adFailedToReceiveContentWithError(error);
}

void GADSlot::didFailToReceiveAdWithError(const std::optional<GADRequestError>& error,
                                          bool shouldCancelPendingActions) {
    // Nothing waits on the slot yet beyond the load itself, which ends here.
    (void)shouldCancelPendingActions;
    didReceiveInvalidAd();
    adFailedToReceiveContentWithError(
        error ? *error : GADRequestError::errorWithCode(kGADErrorInternalError));
}

void GADSlot::didReceiveInvalidAd() {
    setState(GADSlotState::InvalidAd);
    loadingAd_.reset();
    loadingAdHeaders_.reset();
    GADApplication::StatisticsSet unsent;
    {
        std::lock_guard lock(mutex_);
        unsent.swap(pendingAdStatistics_);
    }
    if (!unsent.empty()) GADApplication::sharedInstance()->didNotSendAdStatistics(unsent);
}

void GADSlot::adFailedToReceiveContentWithError(const GADRequestError& error) {
    if (auto delegate = adLoadDelegate())
        delegate->slotDidFailToLoadAdContentWithError(*this, error);
}

}  // namespace ads
