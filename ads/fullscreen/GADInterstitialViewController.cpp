#include "ads/fullscreen/GADInterstitialViewController.h"

#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/web/GADAdView.h"

namespace ads {

std::shared_ptr<GADInterstitialViewController> GADInterstitialViewController::create(
    const std::shared_ptr<GADFullScreenSlot>& slot) {
    if (!slot) return nullptr;
    auto controller = std::make_shared<GADInterstitialViewController>(Private{}, slot->adView());
    controller->setUp();
    controller->setSlot(slot);
    if (auto& adView = controller->adView()) adView->setViewController(controller);
    return controller;
}

bool GADInterstitialViewController::isLoaded() const {
    auto s = slot();
    return s && s->hasValidAd();
}

bool GADInterstitialViewController::presentFromViewController(
    const std::shared_ptr<platform::ui::ViewController>& root, std::function<void()> completion) {
    auto s = slot();
    interstitial_ = s ? s->publicAdObject() : nullptr;
    if (!GADAdAppViewController::presentFromViewController(root, std::move(completion))) {
        // Nothing went on screen, so nothing keeps the interstitial for a dismissal.
        interstitial_.reset();
        return false;
    }
    // In the window from now on, though its page is told so only once it is up: a video the
    // page played as it loaded starts after "onshow" (finishAppearing), never before it.
    if (auto& adView = this->adView()) adView->setArriving(true);
    return true;
}

void GADInterstitialViewController::finishAppearing() {
    GADAdAppViewController::finishAppearing();
    if (auto& adView = this->adView()) adView->dispatchArrivalEvent("onshow");
}

void GADInterstitialViewController::relinquishScreenWithCompletion(
    std::function<void()> completion) {
    if (!isOnScreen()) return;
    if (auto& adView = this->adView()) adView->dispatchSDKEvent("onhide", {});
    GADAdAppViewController::relinquishScreenWithCompletion(std::move(completion));
}

void GADInterstitialViewController::finishDismissal() {
    GADAdAppViewController::finishDismissal();
    setAdView(nullptr);
}

}  // namespace ads
