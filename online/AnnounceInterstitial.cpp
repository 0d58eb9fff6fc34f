#include "online/AnnounceInterstitial.h"

#include <cstdio>
#include <utility>

#include "online/AnnounceAppCore.h"
#include "online/AnnounceHost.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/ui/ViewController.h"

namespace online {

namespace {
double now() {
    return platform::Clock::wallSeconds();
}
}  // namespace

std::shared_ptr<AnnounceInterstitial> AnnounceInterstitial::create(
    AnnounceHost& host, AnnounceInterstitialAdFactory factory) {
    return std::make_shared<AnnounceInterstitial>(Private{}, host, std::move(factory));
}

AnnounceInterstitial::AnnounceInterstitial(Private, AnnounceHost& host,
                                           AnnounceInterstitialAdFactory factory)
    : host_(host), factory_(std::move(factory)) {}

void AnnounceInterstitial::log(const char* caller, const std::string& text) const {
    // The only account of why an ad did or did not show, step by step: kept for whoever follows
    // it (MOVUROUTE_LOG_DETAIL=1 prints it), not printed at every run.
    platform::LogSink::writeDetail(std::string("[DETAIL] ") + caller + "\n" + text);
}

std::string AnnounceInterstitial::istAdStatus() const {
    if (!interstitialAd_) return "null";
    char text[64];
    std::snprintf(text, sizeof text, "istAd(ready=%d used=%d loading=%d)",
                  interstitialAd_->isReady() ? 1 : 0, interstitialAd_->hasBeenUsed() ? 1 : 0,
                  loading_ ? 1 : 0);
    return text;
}

void AnnounceInterstitial::requestInterstitialAd() {
    const char* caller = "-[AnnounceManager requestInterstitialAd]";
    log(caller, "istAd: requestInterstitialAd " + istAdStatus());
    if (presenting_) return;
    std::string adUnitId = host_.amPropertyAsStringForKey("durezInterstitialAdPublisherId", "");
    if (adUnitId.empty()) return;

    if (interstitialAd_ && !interstitialAd_->hasBeenUsed()) {
        if (interstitialAd_->isReady()) return;
        if (loading_) {
            // A clock set back makes the age negative: that load is given up as well.
            double age = now() - interstitialAdRequestAt_;
            if (age >= 0 && age < kLoadTimeLimit) return;
            log(caller, "istAd: request timeout " + istAdStatus());
        }
    }

    removeInterstitialAd();
    if (!factory_) return;
    auto ad = factory_(adUnitId);
    if (!ad) return;
    interstitialAd_ = ad;
    ad->setDelegate(weak_from_this());
    interstitialAdRequestAt_ = now();
    loading_ = true;
    ad->loadRequest();
    log(caller, "istAd: after loadRequest " + istAdStatus());
}

void AnnounceInterstitial::showInterstitualAdSub(int context, std::function<void()> onDone) {
    const char* caller = "-[AnnounceManager showInterstitualAdSub:onDone:]";
    log(caller, "istAd: showInterstitualAdSub " + istAdStatus());
    // The shown ad's continuation waits for its dismissal; replacing it would lose it and the
    // game behind the ad would never go on. This opportunity simply shows nothing.
    if (presenting_) {
        log(caller, "istAd: already presenting");
        if (onDone) onDone();
        return;
    }
    onDoneInterstitualAd_ = std::move(onDone);

    auto ad = interstitialAd_;
    if (!ad || ad->hasBeenUsed() || !ad->isReady()) return callOnDoneInterstitualAd();
    auto core = host_.appCore();
    // Unlock notices are about to be shown; an ad would cover them.
    if (core && core->levelManagerHasPendingMessages()) return callOnDoneInterstitualAd();
    if ((host_.amPropertyAsIntForKey("durezInterstitialAdContextFlag", 0) & context) == 0) {
        return callOnDoneInterstitualAd();
    }
    int32_t interval = host_.amPropertyAsIntForKey("durezInterstitialAdInterval", 0);
    double elapsed = now() - interstitialAdShownAt_;
    if (elapsed >= 0 && elapsed < interval) {
        log(caller, "istAd: wait interval " + istAdStatus());
        return callOnDoneInterstitualAd();
    }
    auto root = core ? core->rootViewController() : nullptr;
    if (!root) return callOnDoneInterstitualAd();

    shownAtBeforePresenting_ = interstitialAdShownAt_;
    updateInterstitualAdShownAt();
    presenting_ = true;
    // The ad may answer from inside the call, dropping it from interstitialAd_.
    ad->presentFromRootViewController(root);
    log(caller, "istAd: after show " + istAdStatus());
}

void AnnounceInterstitial::callOnDoneInterstitualAd() {
    // Taken out before it runs: it may start the next opportunity, which stores its own.
    auto done = std::move(onDoneInterstitualAd_);
    onDoneInterstitualAd_ = nullptr;
    if (done) done();
}

void AnnounceInterstitial::updateInterstitualAdShownAt() {
    interstitialAdShownAt_ = now();
}

void AnnounceInterstitial::removeInterstitialAd() {
    if (!interstitialAd_) return;
    interstitialAd_->setDelegate({});
    // Released on a later turn: this often runs inside the ad's own callback.
    platform::MainLoop::main().post([ad = std::move(interstitialAd_)] {});
    interstitialAd_ = nullptr;
}

void AnnounceInterstitial::interstitialDidReceiveAd(AnnounceInterstitialAd& ad) {
    if (&ad != interstitialAd_.get()) return;
    loading_ = false;
    log("-[AnnounceManager interstitialDidReceiveAd:]", "istAd: DidReceiveAd " + istAdStatus());
}

void AnnounceInterstitial::interstitialDidFailToReceiveAdWithError(AnnounceInterstitialAd& ad,
                                                                   const platform::Error& error) {
    if (&ad != interstitialAd_.get()) return;
    loading_ = false;
    removeInterstitialAd();
    log("-[AnnounceManager interstitial:didFailToReceiveAdWithError:]",
        "istAd: didFailToReceiveAdWithError " + error.localizedDescription() + " " + istAdStatus());
    // The SDK refused the presentation (already used, an orientation the ad cannot take,
    // nothing put on screen): no dismissal will come, so the opportunity ends here. Nothing was
    // seen, so the interval counts from the show before.
    if (presenting_) {
        presenting_ = false;
        interstitialAdShownAt_ = shownAtBeforePresenting_;
        callOnDoneInterstitualAd();
    }
}

void AnnounceInterstitial::interstitialDidDismissScreen(AnnounceInterstitialAd& ad) {
    // Stamped before the check: a stale ad's dismissal still restarts the interval.
    updateInterstitualAdShownAt();
    if (&ad != interstitialAd_.get()) return;
    presenting_ = false;
    removeInterstitialAd();
    callOnDoneInterstitualAd();
}

}  // namespace online
