// Ads that are an ad network's script, and what the publisher formats keep in the slot. A
// script ad's page delegate (GADAdNetworkJavaScriptAdViewDelegate) decides when its ad has
// drawn; the slot only loads the script and swaps its page delegate.

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/slot/GADAdNetworkJavaScriptAdViewDelegate.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

namespace {

// The slot's page delegate goes before its successor is made: the two share the slot's opener,
// and a delegate that goes lets go of its opener's slot.
template <class Make>
void replaceAdViewDelegate(std::shared_ptr<GADBannerAdViewDelegate>& current,
                           const std::shared_ptr<GADAdView>& adView, Make make) {
    if (adView) adView->setDelegate({});
    current.reset();
    current = make();
    if (adView) adView->setDelegate(current);
}

}  // namespace

void GADSlot::loadAdNetworkJavaScriptRequest(const std::shared_ptr<GADAd>& ad) {
    MOVU_CHECK_MAIN_THREAD();
    const std::string html = gad_stringByTrimmingWhitespaceAndNewlines(ad->adHTML().value_or(""));
    if (html.empty()) {
        didFailToReceiveAdWithError(
            GADRequestError::errorWithCode(kGADErrorNetworkError, std::string("Empty ad HTML.")),
            true);
        scheduleAdReloadTimer();
        return;
    }
    loadingAd_ = ad;
    reloadTimer_->setInterval(ad->reloadInterval());
    reloadTimer_->schedule();
    replaceAdViewDelegate(adViewDelegate_, adView_, [this, &ad] {
        return GADAdNetworkJavaScriptAdViewDelegate::create(weak_from_this(),
                                                            ad->adNetworkPassbackURL(), opener_);
    });
    if (!adView_) return;
    adView_->setAdDebugDialog(ad->debugDialog());
    // The slot stays in state 4 until the script's page has loaded.
    adView_->loadHTMLString(html, ad->adBaseURL());
    setViewForAdUsingView(adView_);
}

void GADSlot::usePlainAdViewDelegate() {
    if (!std::dynamic_pointer_cast<GADAdNetworkJavaScriptAdViewDelegate>(adViewDelegate_)) return;
    replaceAdViewDelegate(adViewDelegate_, adView_, [this] {
        return GADBannerAdViewDelegate::create(weak_from_this(), opener_);
    });
}

void GADSlot::scheduleAdReloadTimer() {
    reloadTimer_->schedule();
}

void GADSlot::setCorrelator(std::shared_ptr<GADCorrelator> correlator) {
    MOVU_CHECK_MAIN_THREAD();
    correlator_ = std::move(correlator);
}

void GADSlot::setManualImpressionsEnabled(bool enabled) {
    MOVU_CHECK_MAIN_THREAD();
    manualImpressionsEnabled_ = enabled;
}

void GADSlot::recordManualImpression() {
    MOVU_CHECK_MAIN_THREAD();
    pingManualTrackingURLs();
}

void GADSlot::willRenderCustomAd() {
    MOVU_CHECK_MAIN_THREAD();
    if (state_ == GADSlotState::FetchingAd) willStartAdRendering();
}

}  // namespace ads
