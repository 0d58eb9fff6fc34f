#include "ads/slot/GADSlot.h"

#include <cctype>
#include <random>

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
#include "ads/foundation/GADWeakTimer.h"
#include "ads/slot/GADBannerAdViewDelegate.h"
#include "ads/slot/GADOpener.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADMRAIDInterceptor.h"
#include "platform/runtime/Once.h"
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
    // A random id per slot keeps the timings of slots loading at once apart.
    std::random_device random;
    CSIIdentifier_ = static_cast<std::int64_t>(static_cast<std::uint32_t>(random()));
    const std::string suffix = std::to_string(CSIIdentifier_);
    adResponseKey_ = "arf_ios" + suffix;
    netWorkLatencyKey_ = "nwl_ios" + suffix;
    adRenderingKey_ = "awr_ios" + suffix;
    totalTimeKey_ = "ttc_ios" + suffix;
}

void GADSlot::setUp() {
    // The SDK's start-up runs before the first ad is asked for; later calls do nothing.
    GADRunOnMainThread([] { GADApplication::sharedInstance()->runEarlyActivities(); });

    adView_ = GADAdView::create(initialFrame_);
    time(Timing::Stamp, "native:view_create", {});
    adViewDelegate_ = GADBannerAdViewDelegate::create(weak_from_this(), opener_);
    adView_->setDelegate(adViewDelegate_);

    observe(platform::ui::kWillResignActiveNotification, &GADSlot::appWillBecomeInactive);
    observe(platform::ui::kDidBecomeActiveNotification, &GADSlot::appDidBecomeActive);
    observe(kWillPresentFullScreenNotification, &GADSlot::adWillPresentFullScreen);
    observe(kDidDismissFullScreenNotification, &GADSlot::adDidRelinquishFullScreen);
}

void GADSlot::observe(const char* name, void (GADSlot::*member)()) {
    auto call = platform::weakCall(weak_from_this(), member);
    observations_.push_back(platform::NotificationCenter::defaultCenter().observe(
        name, nullptr, [call](const platform::Notification&) { call(); },
        platform::NotificationCenter::mainLoopDelivery()));
}

GADSlot::~GADSlot() {
    observations_.clear();
    cancelFetch();
    if (reloadTimer_) reloadTimer_->invalidate();
    if (adView_) {
        adView_->setDelegate({});
        adView_->removeFromSuperview();
    }
    releaseInterceptor();
    // What a request still in flight would have sent goes with the next one instead.
    auto statistics = pendingAdStatistics();
    if (!statistics.empty()) GADApplication::sharedInstance()->didNotSendAdStatistics(statistics);
}

bool GADSlot::hasInAppPurchaseDelegate() const {
    auto owner = slotDelegate();
    return owner && owner->hasInAppPurchaseDelegate();
}

GADApplication::StatisticsSet GADSlot::pendingAdStatistics() const {
    std::lock_guard lock(mutex_);
    return pendingAdStatistics_;
}

void GADSlot::setPendingAdStatistics(GADApplication::StatisticsSet statistics) {
    std::lock_guard lock(mutex_);
    pendingAdStatistics_ = std::move(statistics);
}

std::optional<std::string> GADSlot::requestID() const {
    std::lock_guard lock(mutex_);
    return requestID_;
}

GADRequestError GADSlot::requestErrorFrom(const platform::Error& error) {
    if (error.domain != kGADErrorDomain) return GADRequestError::fromError(error);
    GADRequestError ours = GADRequestError::errorWithCode(error.code);
    static_cast<platform::Error&>(ours) = error;
    return ours;
}

void GADSlot::setAdUnitID(std::string adUnitID) {
    adUnitID_ = std::move(adUnitID);
    slotStats_->setIdentifier(adUnitID_);
}

void GADSlot::setReloadInterval(double seconds) {
    reloadInterval_ = seconds >= kMinimumReloadInterval ? seconds : 0;
}

void GADSlot::setAdType(const GADAdType& type, bool reloadRequest) {
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
            adFailedToReceiveContentWithError(GADRequestError::errorWithCodeRequest(0, request));
            return false;
        }
    }
    return GADApplication::sharedInstance()->isAppActive() &&
           GADDevice::sharedInstance()->OSIsSupported();
}

void GADSlot::loadRequest(const std::shared_ptr<GADRequest>& request) {
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
    if (auto keys = adKeyDelegate_.lock()) keys->cacheViewHierarchyInformationForSlot(*this);
    GADDevice::sharedInstance()->updateDynamicParameters();
    time(Timing::Start, "arf_ios", adResponseKey_);
    time(Timing::Start, "ttc_ios", totalTimeKey_);
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
    if (!ad) return;
    if (state_ != GADSlotState::RequestingAdURL && state_ != GADSlotState::ReceivedAdURL) return;
    cancelFetch();
    resetRequestState();
    loadingAd_ = ad;
    loadingAdHeaders_ = headers;
    willFetchAdContent();
    if (ad->hasAdNetworkJavaScript()) {
        loadAdNetworkJavaScriptRequest(ad);
        return;
    }
    if (!isInterstitial()) {
        if (std::dynamic_pointer_cast<GADBannerAd>(ad)) {
            newAdSize_ = ad->size().size;
            setReloadInterval(ad->reloadInterval());
        }
    }
    startFetch(ad, headers);
}

void GADSlot::resetRequestState() {
    ad_.reset();
    resetState();
}

// Reload timer

void GADSlot::scheduleAdReloadTimer() {
    deactivateReloadTimer();
    if (!reloadable_ || !attemptedRequest_ || reloadInterval_ <= 0) return;
    if (state_ == GADSlotState::Invalidated) return;
    reloadTimer_ =
        gad_scheduledTimer(reloadInterval_, false, 0, [weak = weak_from_this()](platform::Timer&) {
            if (auto slot = weak.lock()) {
                slot->reloadTimer_.reset();
                slot->reloadCurrentRequest();
            }
        });
}

void GADSlot::deactivateReloadTimer() {
    if (reloadTimer_) reloadTimer_->invalidate();
    reloadTimer_.reset();
}

void GADSlot::reloadCurrentRequest() {
    if (!reloadable_ || state_ == GADSlotState::Invalidated) return;
    // A reload that would be dropped because a request is in flight is tried again one
    // interval later instead of being lost.
    if (isMakingRequest()) {
        scheduleAdReloadTimer();
        return;
    }
    auto delegate = slotDelegate();
    const auto reload = delegate ? delegate->slotShouldReloadCurrentRequest(*this) : std::nullopt;
    if (reload.value_or(false)) {
        loadNextRequestWithAutoRefresh(true);
    } else {
        scheduleAdReloadTimer();
    }
}

// Cancellation

void GADSlot::cancelLoad() {
    cancelFetch();
    loadingAd_.reset();
    resetState();
}

void GADSlot::cancelPendingActions() {
    deactivateReloadTimer();
    cancelLoad();
}

void GADSlot::cancelPendingAndFutureActions() {
    cancelPendingActions();
    slotDelegate_.reset();
    reloadable_ = false;
    deactivateReloadTimer();
    invalidateState();
}

void GADSlot::invalidate() {
    if (adViewDelegate_) adViewDelegate_->detachFromSlot();
    adViewDelegate_.reset();
    if (adView_) {
        adView_->setDelegate({});
        adView_->removeFromSuperview();
        adView_.reset();
    }
    cancelFetch();
    deactivateReloadTimer();
    invalidateState();
}

// Visibility

void GADSlot::appWillBecomeInactive() {
    deactivateReloadTimer();
}

void GADSlot::appDidBecomeActive() {
    scheduleAdReloadTimer();
}

void GADSlot::adWillPresentFullScreen() {
    deactivateReloadTimer();
}

void GADSlot::adDidRelinquishFullScreen() {
    scheduleAdReloadTimer();
}

void GADSlot::bannerDidMoveToWindow(const std::shared_ptr<platform::ui::Window>& window) {
    if (window) return;
    platform::NotificationCenter::defaultCenter().post(kDidLeaveWindowNotification, this);
}

}  // namespace ads
