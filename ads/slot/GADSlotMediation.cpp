#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADAdMediationDelegate.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADJSONAdditions.h"
#include "ads/foundation/GADLogger.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/slot/GADMConfig.h"
#include "ads/slot/GADMSlotDelegate.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/runtime/ThreadChecker.h"

// Mediation answers: the configuration is parsed and checked against the ad type asked for,
// then handed to the slot's manager, which walks the networks and reports back.

namespace ads {

bool GADSlot::isMediating() const {
    return ad_ && ad_->responseType() == GADAdResponseType::Mediation;
}

std::optional<std::string> GADSlot::adNetworkClassName() const {
    if (state_ != GADSlotState::ValidAd) return std::nullopt;
    if (!isMediating()) return kGADOwnAdapterClassName;
    return mediationManager_ ? mediationManager_->receivedAdapterClassName() : std::nullopt;
}

bool GADSlot::changeAdTypeTo(const GADAdType& type) {
    if (adType_.isInterstitial() || type.isInterstitial() || !mediationManager_) return false;
    return mediationManager_->changeAdTypeTo(type);
}

void GADSlot::refuseMediationAdResponse(const std::shared_ptr<GADAd>& ad) {
    loadingAd_ = ad;
    willProcessMediationResponse();
    didFailToReceiveAdWithError(GADRequestError::errorWithCode(kGADErrorMediationAdapterError),
                                false);
}

void GADSlot::processMediationAdResponse(const std::shared_ptr<GADAd>& ad) {
    MOVU_CHECK_MAIN_THREAD();
    if (!ad) return;
    if (!mediationManager_) return refuseMediationAdResponse(ad);
    if (auto responses = delegates_.adResponse.lock()) {
        std::optional<platform::Error> error;
        if (!responses->slotShouldProcessMediatedAdResponse(*this, ad, error)) {
            if (error) {
                didFailToReceiveAdWithError(requestErrorFrom(*error), false);
            } else {
                // The owner takes the ad itself.
                didReceiveValidAd();
            }
            return;
        }
    }
    if (!ad->mediationDelegate()) {
        didFailToReceiveAdWithError(
            GADRequestError::errorWithCode(
                kGADErrorMediationDataError,
                std::string("Current class not set up for processing mediation.")),
            false);
        return;
    }
    loadingAd_ = ad;
    willProcessMediationResponse();

    // A body that is no JSON parses as an empty configuration, which has no networks: code 7.
    const auto decoded = gad_decodedJSONObject(ad->adHTML().value_or(""));
    std::optional<GADRequestError> error;
    auto config = GADMConfig::create(adUnitID_, decoded.value_or(platform::Value()), error);
    if (!config) {
        didFailToReceiveAdWithError(
            error.value_or(GADRequestError::errorWithCode(kGADErrorMediationDataError)), false);
        return;
    }

    finishedLoadingAdResponse(ad);
    if (ad->customAdSizeString()) newAdSize_ = CGSizeFromGADAdSizeString(*ad->customAdSizeString());

    GADAdType requested = adType_;
    if (!requested.isInterstitial() && (newAdSize_.width != 0 || newAdSize_.height != 0)) {
        requested = GADAdType::bannerAdTypeForSize(GADAdSizeFromCGSize(newAdSize_));
    }
    if (!config->adType().isValid()) {
        GADLogger::sharedInstance().logPublicMessage(
            "Warning: mediated ad type is unknown or invalid. Resetting type to " +
            requested.description() + ".");
        config->setAdType(requested);
    }
    const double refresh = config->refreshInterval();
    requestAdWithType(requested, std::move(config));
    if (!isInterstitial()) {
        reloadTimer_->setInterval(refresh);
        reloadTimer_->schedule();
    }
}

void GADSlot::requestAdWithType(const GADAdType& type, std::shared_ptr<GADMConfig> config) {
    mediationConfiguration_ = std::move(config);
    if (hasConsistentMediationConfigForAdType(type)) {
        if (mediationManager_) mediationManager_->mediateForAdType(type, mediationConfiguration_);
    } else {
        reloadTimer_->schedule();
    }
}

bool GADSlot::hasConsistentMediationConfigForAdType(const std::optional<GADAdType>& requested) {
    const auto fail = [&](std::int64_t code, std::string text) {
        didFailToReceiveAdWithError(GADRequestError::errorWithCode(code, std::move(text)), false);
        return false;
    };
    if (!requested) return fail(kGADErrorInvalidRequest, "Invalid requested GADAdType: (null).");
    if (!mediationConfiguration_) {
        return fail(kGADErrorMediationDataError,
                    "Invalid mediation configuration GADAdType: (null).");
    }
    const GADAdType& configured = mediationConfiguration_->adType();
    if (requested->isInterstitial() && !configured.isInterstitial()) {
        return fail(kGADErrorMediationInvalidAdSize,
                    "Unable to request an interstitial when mediation configuration was for " +
                        NSStringFromGADAdSize(configured.adSize()) + ".");
    }
    if (!requested->isInterstitial() && configured.isInterstitial()) {
        return fail(kGADErrorMediationInvalidAdSize,
                    "Unable to request " + NSStringFromGADAdSize(requested->adSize()) +
                        " when mediation configuration was for an interstitial.");
    }
    if (!requested->isInterstitial() && !requested->isValid()) {
        return fail(kGADErrorMediationInvalidAdSize,
                    "Unable to request ad with invalid size: " +
                        NSStringFromGADAdSize(requested->adSize()) + ".");
    }
    return true;
}

void GADSlot::presentMediatedInterstitialFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& root) {
    MOVU_CHECK_MAIN_THREAD();
    if (isMediating() && adType_.isInterstitial() && mediationManager_) {
        mediationManager_->presentInterstitialFromRootViewController(root);
    }
}

void GADSlot::showMediatedView(const std::shared_ptr<platform::ui::View>& view) {
    MOVU_CHECK_MAIN_THREAD();
    // A new ad: it has opened nothing and nobody touched it. The network's view stands where
    // this slot's ad view would, so the gate judges by it whether the ad is on screen.
    if (adView_) {
        adView_->setTouched(false);
        adView_->openings().showBy(view);
    }
    setViewForAdUsingView(view);
}

void GADSlot::mediatedViewWasTouched(const platform::ui::View& view) {
    MOVU_CHECK_MAIN_THREAD();
    if (!adView_ || !isMediating() || adView_->openings().shownBy.lock().get() != &view) return;
    adView_->setTouched(true);
}

bool GADSlot::openMediatedClickThrough(const platform::Url& url) {
    MOVU_CHECK_MAIN_THREAD();
    if (state_ != GADSlotState::ValidAd || !isMediating() || !opener_) return false;
    auto keep = shared_from_this();
    // No touch here: a link the page follows is no input of the player's. The touches the
    // network saw were reported as they came (mediatedViewWasTouched), and the gate lets one
    // click-through through per touch.
    opener_->setAdView(adView_);
    opener_->setNavigationURL(url.absoluteString());
    opener_->setReferringURL(std::nullopt);
    // The opener says it left the app by this flag; the rest of the slot does not read it.
    const bool before = opener_->didOpenAnotherApplication();
    opener_->setDidOpenAnotherApplication(false);
    opener_->openApp(gestureClickURLWithURL(url));
    const bool opened = opener_->didOpenAnotherApplication();
    if (!opened) opener_->setDidOpenAnotherApplication(before);
    return opened;
}

std::shared_ptr<platform::ui::ViewController> GADSlot::viewControllerForPresentingModalView()
    const {
    auto owner = slotDelegate();
    return owner ? owner->rootViewController() : nullptr;
}

}  // namespace ads
