#include "ads/foundation/GADAbsoluteTime.h"
#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/GADSlotMRAID.h"
#include "ads/slot/GADSlotSwipe.h"

namespace ads {

void GADSlot::willProcessAd() {
    if (swipe_) swipe_->willProcessAd();
    finishActiveViewReporting();
}

void GADSlot::adFailedToReceiveContentWithError(const GADRequestError& error) {
    if (auto delegate = delegates_.adLoad.lock()) {
        delegate->slotDidFailToLoadAdContentWithError(*this, error);
    }
}

void GADSlot::adFinishedLoadingContent() {
    swipe()->adFinishedLoadingContent();
    if (auto delegate = delegates_.adLoad.lock()) delegate->slotFinishedLoadingAdContent(*this);
    // An owner may have put the ad on screen just now, which an expand asked for while the
    // page loaded waits for.
    if (MRAID_) MRAID_->runHeldLayoutChangeIfShown();
}

void GADSlot::adWasClicked() {
    GADApplication::sharedInstance()->incrementTotalAdClickCount();
    if (!ad_) return;
    const auto& statistics = ad_->statistics();
    statistics->setObject(
        platform::Value(static_cast<std::int64_t>(GADAbsoluteTime::absoluteTimeInMilliseconds())),
        GADApplication::kClickTimeKey, true);
    statistics->incrementNumberForKey("pcc", true);
}

void GADSlot::adWillPresentScreen() {
    if (auto delegate = delegates_.adEvent.lock()) delegate->slotWillPresentScreen(*this);
}

void GADSlot::adWillDismissScreen() {
    if (auto delegate = delegates_.adEvent.lock()) delegate->slotWillDismissScreen(*this);
}

void GADSlot::adDidDismissScreen() {
    if (auto delegate = delegates_.adEvent.lock()) delegate->slotDidDismissScreen(*this);
}

void GADSlot::adWillLeaveApplication() {
    if (ad_)
        GADApplication::sharedInstance()->willLeaveApplicationDueToClickOnAd(ad_->statistics());
    if (auto delegate = delegates_.adEvent.lock()) delegate->slotWillLeaveApplication(*this);
}

}  // namespace ads
