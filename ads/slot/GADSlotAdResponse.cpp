#include <algorithm>
#include <cctype>

#include "ads/foundation/GADAbsoluteTime.h"
#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADAdTracking.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/GADStatisticDictionary.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/slot/GADAdResponseProcessors.h"
#include "ads/slot/GADSlot.h"

#include "ads/fullscreen/GADOpener.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADNotification.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/web/WebView.h"

namespace ads {

namespace {

bool isZeroSize(platform::Size size) {
    return size.width == 0 && size.height == 0;
}

}  // namespace

void GADSlot::processAdResponse(const std::shared_ptr<GADAd>& ad) {
    MOVU_CHECK_MAIN_THREAD();
    if (!ad) return;
    const auto* entry = GADAdResponseProcessors::shared().entry(ad->responseType());
    if (entry && entry->rendersAd) timings_.renderingStarted();
    willProcessAd();
    if (!entry) {
        // A response nobody can process must not leave the slot fetching for ever.
        didFailToReceiveAdWithError(
            GADRequestError::errorWithCode(kGADErrorReceivedInvalidResponse), false);
        return;
    }
    // A copy: the processor may change the table.
    const auto process = entry->process;
    process(*this, ad);
}

void GADSlot::processStandardAdResponse(const std::shared_ptr<GADAd>& ad) {
    if (auto responses = delegates_.adResponse.lock()) {
        std::optional<platform::Error> error;
        if (!responses->slotShouldProcessAdResponse(*this, ad, error)) {
            if (error) {
                didFailToReceiveAdWithError(requestErrorFrom(*error), false);
            } else {
                // The owner takes the ad itself and reports on its own.
                didReceiveValidAd();
            }
            return;
        }
    }
    loadingAd_ = ad;
    reloadTimer_->setInterval(ad->reloadInterval());
    reloadTimer_->schedule();
    if (ad->responseType() == GADAdResponseType::Native) {
        // Only an owner that takes native ads itself (it turned the ad down above) can show
        // one: the slot would put the ad's JSON on its page as text.
        didFailToReceiveAdWithError(
            GADRequestError::errorWithCode(kGADErrorMediationInvalidAdSize,
                                           std::string("Received a native ad, which ") +
                                               (isInterstitial() ? "an interstitial" : "a banner") +
                                               " cannot show."),
            false);
        return;
    }
    if (ad->customAdSizeString()) {
        newAdSize_ = isInterstitial() ? platform::Size{}
                                      : CGSizeFromGADAdSizeString(*ad->customAdSizeString());
    }
    if (adView_) {
        auto settings = adView_->webView()->settings();
        settings.scrollEnabled = ad->scrollEnabled();
        adView_->webView()->setSettings(settings);
    }

    const std::string html = gad_stringByTrimmingWhitespaceAndNewlines(ad->adHTML().value_or(""));
    if (html.empty()) {
        didFailToReceiveAdWithError(
            GADRequestError::errorWithCodeRequest(kGADErrorNoFill, request_), false);
        return;
    }
    if (!adView_) return;
    adView_->setAdDebugDialog(ad->debugDialog());
    willLoadAdHTMLInWebView();
    adView_->loadHTMLString(html, ad->adBaseURL());
    setViewForAdUsingView(adView_);
}

void GADSlot::processCustomRenderingAdResponse(const std::shared_ptr<GADAd>& ad) {
    reloadTimer_->setReloadable(false);
    reloadTimer_->deactivate();
    const std::shared_ptr<GADAd> previous = ad_;
    finishedLoadingAdResponse(ad);
    std::optional<platform::Error> error;
    if (auto delegate = slotDelegate()) {
        const auto rendered =
            delegate->slotNotifyPublisherToRenderCustomRenderingAd(*this, ad, error);
        if (rendered.value_or(false)) return;
    }
    // Refused: the shown ad stays, and the request ends as failed rather than fetching on.
    ad_ = previous;
    didFailToReceiveAdWithError(
        error ? requestErrorFrom(*error)
              : GADRequestError::errorWithCode(
                    12, std::string("Custom rendered ad could not be rendered by delegate.")),
        false);
}

void GADSlot::finishedLoadingAdResponse(const std::shared_ptr<GADAd>& ad) {
    finishActiveViewReporting();
    ad_ = ad;
    loadingAd_.reset();
    viewHasMadeImpression_ = false;
}

void GADSlot::setViewForAdUsingView(const std::shared_ptr<platform::ui::View>& view) {
    auto delegate = slotDelegate();
    if (delegate) delegate->slotDidReceiveAdView(*this, view);
    if (isZeroSize(newAdSize_)) return;
    const GADAdSize size = GADAdSizeFromCGSize(newAdSize_);
    const auto boxed = delegate ? delegate->validAdSizes() : std::nullopt;
    std::optional<std::vector<GADAdSize>> valid;
    if (boxed) {
        valid.emplace();
        for (const auto& value : *boxed) valid->push_back(GADAdSizeFromNSValue(&value));
    }
    if (valid && validateAdResponseWithAdSize(size, *valid)) {
        const platform::Size current = CGSizeFromGADAdSize(adType_.adSize());
        if (current.width != newAdSize_.width || current.height != newAdSize_.height) {
            delegate->slotWillResizeToAdSize(*this, size);
        }
        delegate->setAdSize(size, false);
        if (view && view == adView_) {
            if (const auto bounds = delegate->bounds()) adView_->setFrame(*bounds);
        }
    }
    newAdSize_ = platform::Size{};
}

bool GADSlot::validateAdResponseWithAdSize(const GADAdSize& size,
                                           const std::vector<GADAdSize>& validAdSizes) {
    return std::any_of(validAdSizes.begin(), validAdSizes.end(), [&](const GADAdSize& valid) {
        return !GADAdSizeEqualToSize(valid, kGADAdSizeInvalid) && GADAdSizeEqualToSize(valid, size);
    });
}

void GADSlot::pingClickURLs() {
    if (ad_) GADPingClickURLs(*ad_);
    if (auto delegate = slotDelegate()) delegate->slotDidReceiveAdClick(*this);
}

void GADSlot::pingManualTrackingURLs() {
    if (ad_) GADPingManualImpressionURLs(*ad_);
}

bool GADSlot::isAdClick(platform::web::NavigationType type) const {
    switch (state_) {
        case GADSlotState::SDKCoreFailed:
        case GADSlotState::Rendering:
        case GADSlotState::Invalidated:
            return false;
        default:
            break;
    }
    const std::uint64_t now = GADAbsoluteTime::absoluteTimeInMilliseconds();
    const double since =
        now >= timeLastLoaded_ ? static_cast<double>(now - timeLastLoaded_) / 1000.0 : 0;
    if (since < kMinimumSecondsBeforeClick) return false;
    if (type == platform::web::NavigationType::BackForward ||
        type == platform::web::NavigationType::Reload) {
        return false;
    }
    return adView_ && adView_->touched();
}

bool GADSlot::isAutoClickProtected() const {
    return opener_ && opener_->autoClickProtected();
}

platform::Url GADSlot::gestureClickURLWithURL(const platform::Url& url) {
    if (GADNotification::isNotificationURL(url) || url.absoluteString() == "about:blank") {
        return url;
    }
    return GADGestureClickURL(url, ad_.get());
}

}  // namespace ads
