#include "ads/slot/GADSlot.h"
#include "ads/slot/GADSlotActiveView.h"

#include <cctype>

#include "ads/foundation/GADAd.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADBannerAd.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADInternalError.h"
#include "ads/foundation/GADInterstitialAd.h"
#include "ads/foundation/GADLogger.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/GADRunOnMainThread.h"
#include "ads/foundation/GADSlotStatistics.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/slot/GADAdResponseProcessors.h"
#include "ads/slot/GADBannerAdViewDelegate.h"
#include "ads/slot/GADMConfig.h"
#include "ads/slot/GADMSlotDelegate.h"
#include "ads/slot/GADSlotMRAID.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADMRAIDInterceptor.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/Once.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/Timer.h"
#include "platform/runtime/WeakCall.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

namespace ads {

using platform::Value;

std::shared_ptr<GADSlot> GADSlot::create(platform::Rect frame) {
    auto slot = std::make_shared<GADSlot>(Private{}, frame);
    slot->setUp();
    return slot;
}

GADSlot::GADSlot(Private, platform::Rect frame)
    : adType_(GADAdType::interstitialAdType()),
      slotStats_(std::make_shared<GADSlotStatistics>()),
      initialFrame_(frame) {
    opener_ = GADOpener::create();
}

void GADSlot::setUp() {
    // The SDK's start-up runs before the first ad is asked for; later calls do nothing.
    GADRunOnMainThread([] { GADApplication::sharedInstance()->runEarlyActivities(); });

    orientationEvents_ = GADSlotOrientationEvents::create(this);
    MRAID_ = GADSlotMRAID::create(weak_from_this());
    adView_ = GADAdView::create(initialFrame_);
    timings_.recordTimestamp("native:view_create");
    adViewDelegate_ = GADBannerAdViewDelegate::create(weak_from_this(), opener_);
    adView_->setDelegate(adViewDelegate_);

    reloadTimer_ = GADSlotReloadTimer::create(
        [weak = weak_from_this()] {
            auto slot = weak.lock();
            return slot && slot->attemptedRequest_ && slot->state_ != GADSlotState::Invalidated;
        },
        platform::weakCall(weak_from_this(), &GADSlot::reloadCurrentRequest));

    // Without the mediation room there is no manager, and mediation answers fail with code 8.
    mediationManager_ =
        platform::ClassRegistry::shared().create<GADMSlotDelegate>(GADMSlotDelegate::kClassName);
    if (mediationManager_) mediationManager_->setSlot(weak_from_this());
}

GADSlot::~GADSlot() {
    cancelFetch();
    if (reloadTimer_) reloadTimer_->deactivate();
    if (adView_) {
        adView_->setDelegate({});
        adView_->removeFromSuperview();
    }
    releaseInterceptor();
    // What a request still in flight would have sent goes with the next one instead.
    if (!pendingAdStatistics_.empty()) {
        GADApplication::sharedInstance()->didNotSendAdStatistics(pendingAdStatistics_);
    }
}

void GADSlot::setAdUnitID(std::string adUnitID) {
    MOVU_CHECK_MAIN_THREAD();
    adUnitID_ = std::move(adUnitID);
    slotStats_->setIdentifier(adUnitID_);
}

void GADSlot::setAdType(const GADAdType& type, bool reloadRequest) {
    MOVU_CHECK_MAIN_THREAD();
    if (type == adType_) return;
    adType_ = type;
    if (newAdSize_.width == 0 && newAdSize_.height == 0 && reloadRequest && adView_) {
        adView_->setHidden(true);
    }
    if (isMediating()) {
        if (changeAdTypeTo(type)) return;
        if (auto delegate = slotDelegate()) delegate->slotDidReceiveAdView(*this, nullptr);
    }
    if (reloadRequest) {
        if (isMakingRequest()) cancelPendingActions();
        if (attemptedRequest_) loadNextRequestWithAutoRefresh(false);
    }
}

// Request path

bool GADSlot::isMakingRequest() const {
    switch (state_) {
        case GADSlotState::Idle:
        case GADSlotState::SDKCoreFailed:
        case GADSlotState::ValidAd:
        case GADSlotState::InvalidAd:
            return false;
        default:
            return true;
    }
}

bool GADSlot::shouldMakeRequest(const std::shared_ptr<GADRequest>& request) {
    if (state_ == GADSlotState::Invalidated) return false;
    if (isMakingRequest()) {
        auto delegate = slotDelegate();
        const auto preempt =
            delegate ? delegate->slotShouldPreemptInProgressRequest(*this) : std::nullopt;
        if (!preempt.value_or(false)) return false;
    }
    if (auto delegate = slotDelegate()) {
        const auto allowed =
            delegate->slotShouldLoadRequest(*this, request ? *request : *GADRequest::request());
        if (allowed && !*allowed) {
            adFailedToReceiveContentWithError(
                GADRequestError::errorWithCodeRequest(kGADErrorInvalidRequest, request));
            return false;
        }
    }
    return GADApplication::sharedInstance()->isAppActive() &&
           GADDevice::sharedInstance()->OSIsSupported();
}

void GADSlot::loadRequest(const std::shared_ptr<GADRequest>& request) {
    MOVU_CHECK_MAIN_THREAD();
    nextRequest_ = request ? request->copy() : nullptr;
    loadNextRequestWithAutoRefresh(false);
}

namespace {

// Interface-orientation masks a publisher may force through "_orientation".
std::uint64_t orientationOverride(const Value::Dictionary& extras) {
    const auto found = extras.find("_orientation");
    if (found == extras.end() || !found->second.isString()) return 0;
    if (found->second.stringRef() == "p") return 6;
    if (found->second.stringRef() == "l") return 24;
    return 0;
}

void logRequestTestAdInstructions() {
    auto device = GADDevice::sharedInstance();
    const std::string identifier = device->deviceIdentifier();
    if (identifier.empty()) {
        GADLogger::sharedInstance().logPublicMessage(
            "Advertising tracking may be disabled. To get test ads on this device, enable "
            "advertising tracking: run with MOVUROUTE_LIMIT_AD_TRACKING=0.");
        return;
    }
    GADLogger::sharedInstance().logPublicMessage(
        "To get test ads on this device, call: request.testDevices = @[ @\"" + identifier +
        "\" ];");
}

bool isTestDevice(const GADRequest& request) {
    const auto& devices = request.testDevices();
    if (!devices) return false;
    const std::string identifier = GADDevice::sharedInstance()->deviceIdentifier();
    for (const Value& device : *devices) {
        if (device.isString() && device.stringRef() == identifier) return true;
    }
    return false;
}

}  // namespace

void GADSlot::loadNextRequestWithAutoRefresh(bool autoRefresh) {
    if (auto keys = delegates_.adKey.lock()) keys->cacheViewHierarchyInformationForSlot(*this);
    GADDevice::sharedInstance()->updateDynamicParameters();
    timings_.requestStarted();
    attemptedRequest_ = true;

    if (!shouldMakeRequest(nextRequest_)) return;
    cancelLoad();
    willRequestAdURL();

    if (!nextRequest_) nextRequest_ = GADRequest::request();
    request_ = nextRequest_->copy();
    if (auto delegate = slotDelegate()) delegate->slotWillLoadAdWithRequest(*this, *request_);
    hasAutoRefreshed_ = autoRefresh;

    // Once per process, as the app developer needs it once.
    static platform::Once testAdInstructions;
    if (!isTestDevice(*request_)) testAdInstructions.call(logRequestTestAdInstructions);

    const auto extras = request_->networkExtrasAdditionalParameters();
    const std::uint64_t orientations = extras ? orientationOverride(*extras) : 0;
    if (extras) {
        if (const auto found = extras->find("_ad");
            found != extras->end() && found->second.isDictionary()) {
            std::shared_ptr<GADAd> ad;
            if (isInterstitial()) {
                ad = GADInterstitialAd::createWithDictionary(found->second);
            } else {
                ad = GADBannerAd::createWithDictionary(found->second);
            }
            if (orientations) ad->setSupportedOrientations(orientations);
            std::optional<Value::Dictionary> headers;
            if (const auto h = extras->find("_adHeaders");
                h != extras->end() && h->second.isDictionary()) {
                headers = h->second.asDictionary();
            }
            loadAd(ad, headers);
            return;
        }
        if (const auto found = extras->find("_requestUrl");
            found != extras->end() && found->second.isString()) {
            // The publisher's ad URL is loaded into an ad page: only the web, never a local file.
            if (auto url = gad_webURLFromString(found->second.stringRef())) {
                auto ad = GADAd::create();
                ad->setAdURL(std::move(url));
                if (orientations) ad->setSupportedOrientations(orientations);
                loadAd(ad, std::nullopt);
                return;
            }
        }
    }
    requestAdURLFromSDKCore();
}

void GADSlot::loadAd(const std::shared_ptr<GADAd>& ad,
                     const std::optional<Value::Dictionary>& headers) {
    MOVU_CHECK_MAIN_THREAD();
    if (!ad) return;
    if (state_ != GADSlotState::RequestingAdURL && state_ != GADSlotState::ReceivedAdURL) return;
    cancelFetch();
    resetRequestState();
    loadingAd_ = ad;
    loadingAdHeaders_ = headers;
    willFetchAdContent();
    if (ad->hasAdNetworkJavaScript()) {
        if (const auto process = GADAdResponseProcessors::shared().scriptAdProcessor()) {
            process(*this, ad);
        } else {
            didFailToReceiveAdWithError(
                GADRequestError::errorWithCode(kGADErrorReceivedInvalidResponse), false);
        }
        return;
    }
    usePlainAdViewDelegate();
    if (!isInterstitial()) {
        if (std::dynamic_pointer_cast<GADBannerAd>(ad)) {
            newAdSize_ = ad->size().size;
            reloadTimer_->setInterval(ad->reloadInterval());
        }
    }
    startFetch(ad, headers);
}

void GADSlot::resetRequestState() {
    // The creative's MRAID life ends with its ad.
    if (MRAID_) MRAID_->MRAIDAdDidUnload();
    ad_.reset();
    resetState();
}

// Reloads

void GADSlot::reloadCurrentRequest() {
    if (!reloadTimer_->reloadable() || state_ == GADSlotState::Invalidated) return;
    // A reload that would be dropped because a request is in flight is tried again one
    // interval later instead of being lost.
    if (isMakingRequest()) {
        reloadTimer_->schedule();
        return;
    }
    auto delegate = slotDelegate();
    const auto reload = delegate ? delegate->slotShouldReloadCurrentRequest(*this) : std::nullopt;
    if (reload.value_or(false)) {
        loadNextRequestWithAutoRefresh(true);
    } else {
        reloadTimer_->schedule();
    }
}

// Cancellation

void GADSlot::cancelLoad() {
    MOVU_CHECK_MAIN_THREAD();
    if (mediationManager_) mediationManager_->cancel();
    cancelFetch();
    loadingAd_.reset();
    resetState();
}

void GADSlot::cancelPendingActions() {
    reloadTimer_->deactivate();
    cancelLoad();
}

void GADSlot::cancelPendingAndFutureActions() {
    MOVU_CHECK_MAIN_THREAD();
    cancelPendingActions();
    delegates_.slot.reset();
    reloadTimer_->setReloadable(false);
    reloadTimer_->deactivate();
    invalidateState();
}

void GADSlot::invalidate() {
    MOVU_CHECK_MAIN_THREAD();
    if (adViewDelegate_) adViewDelegate_->detachFromSlot();
    adViewDelegate_.reset();
    if (adView_) {
        adView_->setDelegate({});
        adView_->removeFromSuperview();
        adView_.reset();
    }
    cancelFetch();
    reloadTimer_->deactivate();
    invalidateState();
}

void GADSlot::bannerDidMoveToWindow(const std::shared_ptr<platform::ui::Window>& window) {
    if (activeView_) activeView_->monitoredViewDidMoveToWindow(window != nullptr);
    if (window) return;
    platform::NotificationCenter::defaultCenter().post(kGADSlotDidLeaveWindowNotification, this);
}

}  // namespace ads
