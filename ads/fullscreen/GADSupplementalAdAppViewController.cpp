#include "ads/fullscreen/GADSupplementalAdAppViewController.h"

#include "ads/foundation/GADRequest.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/web/GADAdView.h"

namespace ads {

namespace {

void tellState(const std::shared_ptr<GADAdView>& adView, const char* state) {
    if (adView) adView->dispatchSDKEvent("onStateChanged", {{"state", platform::Value(state)}});
}

}  // namespace

std::shared_ptr<GADSupplementalAdAppViewController> GADSupplementalAdAppViewController::create() {
    auto controller = std::make_shared<GADSupplementalAdAppViewController>(Private{});
    controller->setUp();
    return controller;
}

void GADSupplementalAdAppViewController::finishAppearing() {
    GADAdAppViewController::finishAppearing();
    if (auto& adView = this->adView()) {
        adView->dispatchSDKEvent("onReadyEventReceived",
                                 {{"js", platform::Value(GADRequest::sdkVersion())}});
        tellState(adView, "expanded");
    }
    if (auto s = slot()) tellState(s->adView(), "expanded");
}

void GADSupplementalAdAppViewController::finishDismissal() {
    GADAdAppViewController::finishDismissal();
    if (auto s = slot()) tellState(s->adView(), "default");
}

void GADSupplementalAdAppViewController::viewDidAppear(bool animated) {
    GADAdAppViewController::viewDidAppear(animated);
    if (auto& adView = this->adView())
        adView->dispatchSDKEvent("onAdVisibilityChanged", {{"visible", platform::Value("1")}});
}

void GADSupplementalAdAppViewController::viewDidDisappear(bool animated) {
    GADAdAppViewController::viewDidDisappear(animated);
    if (auto& adView = this->adView())
        adView->dispatchSDKEvent("onAdVisibilityChanged", {{"visible", platform::Value("0")}});
}

}  // namespace ads
