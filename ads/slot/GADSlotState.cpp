// The slot's states in one place: the setter, the only writer, and the transition of each step
// of a load, each entering one state (docs/slot-states.md has the rules and the tests that pin
// them). Elsewhere the slot only goes back to 0 (resetState: a new load, cancelLoad) or to its
// final 8 (invalidateState: invalidate, cancelPendingAndFutureActions).

#include "ads/foundation/GADAbsoluteTime.h"
#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADAdTracking.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADMRAIDInterceptor.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

using platform::Value;

namespace {

Value now() {
    return Value(static_cast<std::int64_t>(GADAbsoluteTime::absoluteTimeInMilliseconds()));
}

}  // namespace

void GADSlot::setState(GADSlotState state) {
    MOVU_CHECK_MAIN_THREAD();
    if (state == state_ || state_ == GADSlotState::Invalidated) return;
    const GADSlotState from = state_;
    // One enable per slot at most: a request that starts while the slot still holds one (a
    // preempted request, a reset from 5) must not stack a second that nothing gives back.
    if (from == GADSlotState::Idle && state == GADSlotState::RequestingAdURL) {
        if (!holdsInterceptor_) {
            GADMRAIDInterceptor::enableCanInitWithRequest();
            holdsInterceptor_ = true;
        }
    } else if (state == GADSlotState::SDKCoreFailed || state == GADSlotState::ValidAd ||
               state == GADSlotState::InvalidAd || state == GADSlotState::Invalidated) {
        releaseInterceptor();
    }
    state_ = state;
    if (stateObserver_) stateObserver_(from, state);
}

void GADSlot::releaseInterceptor() {
    if (!holdsInterceptor_) return;
    holdsInterceptor_ = false;
    GADMRAIDInterceptor::disableCanInitWithRequest();
}

void GADSlot::willRequestAdURL() {
    setState(GADSlotState::RequestingAdURL);
    applicationStatistics_ =
        GADApplication::sharedInstance()->nextRequestStatisticsDictionaryForSlot(isMediating());
}

void GADSlot::didFailToRetrieveSDKCoreWithError(const GADRequestError& error) {
    setState(GADSlotState::SDKCoreFailed);
    adFailedToReceiveContentWithError(error);
}

void GADSlot::didReceiveAdURL() {
    setState(GADSlotState::ReceivedAdURL);
}

void GADSlot::willFetchAdContent() {
    setState(GADSlotState::FetchingAd);
    if (!loadingAd_) return;
    const auto& statistics = loadingAd_->statistics();
    const Value* requestTime = applicationStatistics_.find(GADApplication::kCurrentRequestTimeKey);
    statistics->setObject(requestTime ? *requestTime : now(), "treq", false);
    statistics->setObject(now(), "tfetch", false);
    if (!adUnitID_.empty()) statistics->setObject(Value(adUnitID_), "slotid", false);
    if (const Value* sequence = applicationStatistics_.find(GADApplication::kSequenceNumberKey)) {
        statistics->setObject(*sequence, "seq_num", false);
    }
}

void GADSlot::didFetchAdContent() {
    if (loadingAd_) loadingAd_->statistics()->setObject(now(), "tresponse", false);
    const auto& statistics = GADApplication::sharedInstance()->statistics();
    for (const char* key : {"oar", "bas_on", "bas_off"})
        statistics->setObject(Value(0), key, false);
}

void GADSlot::willProcessMediationResponse() {
    if (loadingAd_) loadingAd_->statistics()->setObject(Value(true), "ismediation", true);
    setState(GADSlotState::FetchingAd);
}

void GADSlot::didFailToReceiveAdWithError(const std::optional<GADRequestError>& error,
                                          bool shouldCancelPendingActions) {
    if (shouldCancelPendingActions) cancelPendingActions();
    didReceiveInvalidAd();
    adFailedToReceiveContentWithError(
        error ? *error : GADRequestError::errorWithCode(kGADErrorInternalError));
}

void GADSlot::didReceiveInvalidAd() {
    timings_.loadFailed();
    setState(GADSlotState::InvalidAd);
    loadingAd_.reset();
    loadingAdHeaders_.reset();
    GADApplication::StatisticsSet unsent;
    unsent.swap(pendingAdStatistics_);
    if (!unsent.empty()) GADApplication::sharedInstance()->didNotSendAdStatistics(unsent);
}

void GADSlot::didReceiveValidAd() {
    timings_.loadSucceeded();
    setState(GADSlotState::ValidAd);
    // Sent with the request that brought this ad.
    pendingAdStatistics_.clear();
}

void GADSlot::willStartAdRendering() {
    setState(GADSlotState::Rendering);
}

void GADSlot::didLoadAdHTMLInWebView() {
    // A page of the shown ad that loads again (a navigation) must not drop the shown ad.
    if (loadingAd_) finishedLoadingAdResponse(loadingAd_);
    if (adView_) adView_->setTouched(false);
    if (ad_) ad_->statistics()->setObject(now(), "tload", true);
    timeLastLoaded_ = GADAbsoluteTime::absoluteTimeInMilliseconds();
}

void GADSlot::didMakeAdImpression() {
    GADApplication::sharedInstance()->statistics()->incrementNumberForKey("pimp", false);
    if (ad_) GADPingImpressionURLs(*ad_);
    viewHasMadeImpression_ = true;
    startActiveViewReportingIfEnabled();
}

void GADSlot::willLeaveAppDueToClick() {
    if (ad_) ad_->statistics()->setObject(Value(true), "pclb", false);
}

}  // namespace ads
