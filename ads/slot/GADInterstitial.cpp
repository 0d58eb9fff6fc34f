#include "ads/slot/GADInterstitial.h"

#include <exception>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADAdType.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADLogger.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/GADRunOnMainThread.h"
#include "ads/foundation/GADViewAdditions.h"
#include "ads/foundation/GADViewUtilities.h"
#include "ads/fullscreen/GADInterstitialViewController.h"
#include "ads/slot/GADMSlotDelegate.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

namespace {

void logPublic(const std::string& message) {
    GADLogger::sharedInstance().logPublicMessage(message);
}

}  // namespace

void GADInterstitial::registerClass() {
    platform::ClassRegistry::shared().registerClass<GADInterstitial>(kClassName, "NSObject", {},
                                                                     [] { return create(); });
}

std::shared_ptr<GADInterstitial> GADInterstitial::create(std::optional<std::string> adUnitID) {
    registerClass();
    auto interstitial = std::make_shared<GADInterstitial>(Private{});
    interstitial->setUp(std::move(adUnitID));
    return interstitial;
}

GADInterstitial::GADInterstitial(Private) {}

void GADInterstitial::setUp(std::optional<std::string> adUnitID) {
    slot_ = GADSlot::create(GADDevice::sharedInstance()->standardizedPortraitScreenBounds());
    // A slot starts as an interstitial slot; it keeps that type and never reloads.
    slot_->setAdType(GADAdType::interstitialAdType());
    slot_->reloadTimer().setReloadable(false);
    slot_->setInterstitial(weak_from_this());
    slot_->setDelegates(GADSlotDelegates::allOf(shared_from_this()));
    if (auto adView = slot_->adView()) adView->configureAsInterstitialAdView();
    viewController_ = GADInterstitialViewController::create(slot_);
    if (adUnitID) slot_->setAdUnitID(std::move(*adUnitID));
}

GADInterstitial::~GADInterstitial() {
    if (!slot_) return;
    slot_->interstitialViewWillDisappear();
    slot_->finishActiveViewReporting();
    if (auto adView = slot_->adView()) adView->setViewController({});
    slot_->setInterstitial({});
    slot_->cancelPendingAndFutureActions();
}

std::optional<std::string> GADInterstitial::adUnitID() const {
    if (slot_->adUnitID().empty()) return std::nullopt;
    return slot_->adUnitID();
}

void GADInterstitial::setAdUnitID(std::string adUnitID) {
    MOVU_CHECK_MAIN_THREAD();
    slot_->setAdUnitID(std::move(adUnitID));
}

void GADInterstitial::loadRequest(const std::shared_ptr<GADRequest>& request) {
    MOVU_CHECK_MAIN_THREAD();
    // A used interstitial answers once with its own error; letting the slot refuse the request
    // as well would tell the app a second, misleading failure (an invalid request).
    if (hasBeenUsed_) {
        reportUsed();
        return;
    }
    slot_->loadRequest(request);
}

bool GADInterstitial::isReady() const {
    return slot_->state() == GADSlotState::ValidAd;
}

std::optional<std::string> GADInterstitial::adNetworkClassName() const {
    return slot_->adNetworkClassName();
}

void GADInterstitial::cancel() {
    MOVU_CHECK_MAIN_THREAD();
    slot_->cancelPendingAndFutureActions();
}

bool GADInterstitial::adViewSupports(unsigned orientations) const {
    auto adView = slot_->adView();
    if (!adView) return false;
    return gad_supportsOrientations(*adView, orientations);
}

bool GADInterstitial::canPresentFullScreen() {
    if (hasBeenUsed_) {
        reportUsed();
        return false;
    }
    // Readiness comes before orientation: an ad still loading (no ad to ask yet) is no reason
    // to fail it.
    if (!isReady()) {
        logPublic("Cannot present interstitial. It is not ready.");
        return false;
    }
    const auto& ad = slot_->ad();
    if (!ad || !adViewSupports(ad->supportedOrientations())) {
        sendInterstitialError(GADRequestError::errorWithCodeRequest(
            kGADErrorReceivedInvalidResponse, slot_->request()));
        return false;
    }
    return true;
}

void GADInterstitial::sendInterstitialError(const GADRequestError& error) {
    logPublic(error.localizedDescription());
    slot_->didFailToReceiveAdWithError(error, true);
}

void GADInterstitial::reportUsed() {
    // The slot is left as it is: its ad may still be on screen.
    const GADRequestError error = *alreadyUsedError_;
    logPublic(error.localizedDescription());
    slotDidFailToLoadAdContentWithError(*slot_, error);
}

void GADInterstitial::markUsed() {
    hasBeenUsed_ = true;
    alreadyUsedError_ =
        GADRequestError::errorWithCodeRequest(kGADErrorInterstitialAlreadyUsed, slot_->request());
}

void GADInterstitial::presentFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& root) {
    MOVU_CHECK_MAIN_THREAD();
    if (!canPresentFullScreen()) return;
    auto keep = shared_from_this();
    slot_->recordTimestamp("native:view_show");
    // Used from here on, so a delegate that presents again from its will-present hears code 6.
    markUsed();

    if (slot_->isMediating()) {
        // The network that delivered presents its own screen and reports through the slot.
        slot_->presentMediatedInterstitialFromRootViewController(root);
        return;
    }

    auto controller = viewController_;
    if (auto adView = slot_->adView()) adView->setDelegate({});
    if (controller) {
        controller->setSupportedInterfaceOrientations(slot_->ad()->supportedOrientations());
        controller->setSlot(slot_);
    }
    slot_->didMakeAdImpression();

    bool started = false;
    std::optional<GADRequestError> failure;
    try {
        started = controller && controller->presentFromViewController(root, {});
    } catch (const std::exception& exception) {
        failure = GADRequestError::errorWithCode(
            kGADErrorInternalError, "Presenting the interstitial threw exception: " +
                                        std::string(exception.what()) + " with trace: ");
    } catch (...) {
        failure = GADRequestError::errorWithCode(
            kGADErrorInternalError,
            std::string("Presenting the interstitial threw exception: unknown with trace: "));
    }
    viewController_.reset();
    if (failure) {
        sendInterstitialError(*failure);
    } else if (!started && !dismissed_) {
        // Nothing went on screen and no dismissal was heard: without an error the app would
        // wait for one for ever.
        sendInterstitialError(GADRequestError::errorWithCode(
            kGADErrorInternalError, std::string("The interstitial could not be presented.")));
    }
}

std::optional<platform::Value> GADInterstitial::coordinatesOfContentInScreen(
    const platform::ui::Screen& screen) const {
    auto adView = slot_ ? slot_->adView() : nullptr;
    if (!adView) return std::nullopt;
    return GADViewUtilities::positionOfView(*adView, screen);
}

std::optional<bool> GADInterstitial::slotShouldLoadRequest(GADSlot&, const GADRequest&) {
    if (!hasBeenUsed_) return true;
    reportUsed();
    return false;
}

bool GADInterstitial::slotShouldProcessAdResponse(GADSlot&, const std::shared_ptr<GADAd>& ad,
                                                  std::optional<platform::Error>& error) {
    if (ad && adViewSupports(ad->supportedOrientations())) return true;
    error =
        GADRequestError::errorWithCodeRequest(kGADErrorReceivedInvalidResponse, slot_->request())
            .error();
    return false;
}

bool GADInterstitial::slotShouldProcessMediatedAdResponse(GADSlot&,
                                                          const std::shared_ptr<GADAd>& ad,
                                                          std::optional<platform::Error>&) {
    if (ad) ad->setMediationDelegate(weak_from_this());
    return true;
}

std::string GADInterstitial::connectorClassForAd(const GADAd&) {
    return kGADMInterstitialConnectorClassName;
}

void GADInterstitial::slotDidReceiveAdClick(GADSlot&) {
    auto clicks = std::dynamic_pointer_cast<GADInterstitialAdClickDelegate>(delegate());
    if (clicks) clicks->interstitialDidReceiveAdClick(*this);
}

void GADInterstitial::onMainThread(void (*event)(GADInterstitial&)) {
    GADRunOnMainThread(platform::weakCall(weak_from_this(), event));
}

void GADInterstitial::slotFinishedLoadingAdContent(GADSlot&) {
    onMainThread([](GADInterstitial& ad) {
        if (auto delegate = ad.delegate()) delegate->interstitialDidReceiveAd(ad);
    });
}

void GADInterstitial::slotDidFailToLoadAdContentWithError(GADSlot&, const GADRequestError& error) {
    GADRunOnMainThread(
        platform::weakCall(weak_from_this(), [error = error.error()](GADInterstitial& ad) {
            if (auto delegate = ad.delegate()) {
                delegate->interstitialDidFailToReceiveAdWithError(ad, error);
            }
        }));
}

void GADInterstitial::slotWillPresentScreen(GADSlot&) {
    onMainThread([](GADInterstitial& ad) {
        if (auto delegate = ad.delegate()) delegate->interstitialWillPresentScreen(ad);
    });
}

void GADInterstitial::slotWillDismissScreen(GADSlot&) {
    onMainThread([](GADInterstitial& ad) {
        if (auto delegate = ad.delegate()) delegate->interstitialWillDismissScreen(ad);
    });
}

void GADInterstitial::slotDidDismissScreen(GADSlot&) {
    dismissed_ = true;
    onMainThread([](GADInterstitial& ad) {
        ad.slot_->interstitialViewWillDisappear();
        ad.slot_->finishActiveViewReporting();
        ad.slot_->invalidateState();
        ad.viewController_.reset();
        if (auto delegate = ad.delegate()) delegate->interstitialDidDismissScreen(ad);
    });
}

void GADInterstitial::slotWillLeaveApplication(GADSlot&) {
    onMainThread([](GADInterstitial& ad) {
        if (auto delegate = ad.delegate()) delegate->interstitialWillLeaveApplication(ad);
    });
}

}  // namespace ads
