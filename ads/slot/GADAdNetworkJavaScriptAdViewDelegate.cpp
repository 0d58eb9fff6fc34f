#include "ads/slot/GADAdNetworkJavaScriptAdViewDelegate.h"

#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/GADRunOnMainThread.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/slot/GADPageSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/net/UrlRequest.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/Timer.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

std::shared_ptr<GADAdNetworkJavaScriptAdViewDelegate> GADAdNetworkJavaScriptAdViewDelegate::create(
    std::weak_ptr<GADPageSlot> slot, std::optional<platform::Url> passbackURL,
    std::shared_ptr<GADOpener> opener) {
    if (!opener) opener = GADOpener::create();
    auto delegate = std::make_shared<GADAdNetworkJavaScriptAdViewDelegate>(
        Private{}, opener, slot, leadingPageHandlers(slot, opener), std::move(passbackURL));
    delegate->addTrailingPageHandlers();
    return delegate;
}

GADAdNetworkJavaScriptAdViewDelegate::GADAdNetworkJavaScriptAdViewDelegate(
    Private p, std::shared_ptr<GADOpener> opener, std::weak_ptr<GADPageSlot> slot,
    HandlerList leadingHandlers, std::optional<platform::Url> passbackURL)
    : GADBannerAdViewDelegate(p, std::move(opener), std::move(slot), std::move(leadingHandlers)),
      passbackURL_(std::move(passbackURL)) {}

GADAdNetworkJavaScriptAdViewDelegate::~GADAdNetworkJavaScriptAdViewDelegate() {
    stopRenderingTimer();
}

bool GADAdNetworkJavaScriptAdViewDelegate::isCheckingRendering() const {
    return checkRenderingTimer_ && checkRenderingTimer_->isValid();
}

bool GADAdNetworkJavaScriptAdViewDelegate::isPassbackRequest(
    const platform::UrlRequest& request) const {
    const platform::Url& url = request.url();
    if (gad_asciiLowercased(url.scheme()) == "passback") return true;
    if (!passbackURL_) return false;
    // Two URLs without a host (about:blank, a page message) share nothing.
    const std::string host = passbackURL_->host();
    if (host.empty() || url.host().empty()) return false;
    return gad_asciiLowercased(host) == gad_asciiLowercased(url.host()) &&
           gad_isEquivalentToURLString(passbackURL_->path(), url.path());
}

platform::web::NavigationPolicy GADAdNetworkJavaScriptAdViewDelegate::adViewPolicyForNavigation(
    const std::shared_ptr<GADAdView>& adView, const platform::UrlRequest& request,
    platform::web::NavigationType type) {
    MOVU_CHECK_MAIN_THREAD();
    using platform::web::NavigationPolicy;
    if (request.url().absoluteString().empty()) return NavigationPolicy::Refuse;
    // Before the click rule: a passback after a touch is still the network giving up, never
    // the player's click.
    if (!isPassbackRequest(request)) {
        return GADBannerAdViewDelegate::adViewPolicyForNavigation(adView, request, type);
    }
    wasPassbackReceived_ = true;
    stopRenderingTimer();
    // A network that passes back after its ad was shown (or after the request ended) takes
    // nothing away: only the ad being fetched or rendered fails.
    auto slot = this->slot();
    if (slot &&
        (slot->state() == GADSlotState::FetchingAd || slot->state() == GADSlotState::Rendering)) {
        slot->didFailToReceiveAdWithError(
            GADRequestError::errorWithCode(kGADErrorNoFill, std::string("Passback URL received.")),
            true);
        slot->scheduleAdReloadTimer();
    }
    return NavigationPolicy::Refuse;
}

void GADAdNetworkJavaScriptAdViewDelegate::adViewDidFinishLoad(
    const std::shared_ptr<GADAdView>& adView) {
    MOVU_CHECK_MAIN_THREAD();
    if (renderingCheckHasStarted_ || wasPassbackReceived_) return;
    // Only the page the slot waits for starts the checks; a request already over stays over.
    auto slot = this->slot();
    if (!slot || slot->state() != GADSlotState::FetchingAd) return;
    renderingCheckHasStarted_ = true;
    slot->willLoadAdHTMLInWebView();
    startRenderingTimerForAdView(adView);
}

void GADAdNetworkJavaScriptAdViewDelegate::startRenderingTimerForAdView(
    const std::shared_ptr<GADAdView>& adView) {
    stopRenderingTimer();
    adViewRenderedChecker_ = std::make_shared<GADAdViewRenderedChecker>();
    adViewRenderedChecker_->setAdView(adView);
    auto self = std::static_pointer_cast<GADAdNetworkJavaScriptAdViewDelegate>(shared_from_this());
    adViewRenderedChecker_->setDelegate(self);
    checkedAdView_ = adView;
    checkRenderingTimer_ = platform::Timer::schedule(
        kCheckInterval, true,
        platform::weakCall(std::weak_ptr<GADAdNetworkJavaScriptAdViewDelegate>(self),
                           &GADAdNetworkJavaScriptAdViewDelegate::checkRendering));
}

void GADAdNetworkJavaScriptAdViewDelegate::stopRenderingTimer() {
    if (adViewRenderedChecker_) {
        adViewRenderedChecker_->setAdView({});
        adViewRenderedChecker_->setDelegate({});
        adViewRenderedChecker_.reset();
    }
    if (checkRenderingTimer_) {
        checkRenderingTimer_->invalidate();
        checkRenderingTimer_.reset();
    }
}

void GADAdNetworkJavaScriptAdViewDelegate::checkRendering() {
    // A slot that went leaves nobody to tell.
    if (!slot()) {
        stopRenderingTimer();
        return;
    }
    // Kept for the look: the verdict may stop the checks and drop the checker.
    if (auto checker = adViewRenderedChecker_) checker->checkIsContentRenderedInAdView();
}

void GADAdNetworkJavaScriptAdViewDelegate::adViewDidRenderContent(GADAdView&) {
    auto self = std::static_pointer_cast<GADAdNetworkJavaScriptAdViewDelegate>(shared_from_this());
    GADRunOnMainThread([weak = std::weak_ptr<GADAdNetworkJavaScriptAdViewDelegate>(self)] {
        auto delegate = weak.lock();
        if (!delegate) return;
        auto adView = delegate->checkedAdView_.lock();
        delegate->stopRenderingTimer();
        delegate->GADBannerAdViewDelegate::adViewDidFinishLoad(adView);
    });
}

void GADAdNetworkJavaScriptAdViewDelegate::adViewDidFailToRenderContent(GADAdView&) {
    ++checkRenderingCount_;
    if (checkRenderingCount_ <= kMaximumFailedChecks) return;
    auto adView = checkedAdView_.lock();
    stopRenderingTimer();
    adViewDidFailLoadWithError(adView, GADRequestError::errorWithCode(
                                           kGADErrorNoFill, std::string("Ad check timed out.")));
}

}  // namespace ads
