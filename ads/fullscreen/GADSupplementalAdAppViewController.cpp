#include "ads/fullscreen/GADSupplementalAdAppViewController.h"

#include "ads/foundation/GADRequest.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/fullscreen/GADMRAIDStateReport.h"
#include "ads/web/GADAdView.h"

namespace ads {

namespace {

// The banner's page: its state, with what its MRAID handler finds of it then (covered by this
// screen, or shown again).
void tellBanner(const std::shared_ptr<GADFullScreenSlot>& slot, const char* state) {
    if (!slot) return;
    GADMRAIDStateReport::layoutDidChange(slot->MRAIDEventHandler(), slot->adView(), state);
}

}  // namespace

std::shared_ptr<GADSupplementalAdAppViewController> GADSupplementalAdAppViewController::create() {
    auto controller = std::make_shared<GADSupplementalAdAppViewController>(Private{});
    controller->setUp();
    return controller;
}

void GADSupplementalAdAppViewController::finishAppearing() {
    GADAdAppViewController::finishAppearing();
    auto s = slot();
    if (auto& adView = this->adView()) {
        adView->dispatchSDKEvent("onReadyEventReceived",
                                 {{"js", platform::Value(GADRequest::sdkVersion())}});
        adView->dispatchSDKEvents({GADMRAIDStateReport::stateEvent("expanded")});
    }
    tellBanner(s, "expanded");
}

void GADSupplementalAdAppViewController::finishDismissal() {
    GADAdAppViewController::finishDismissal();
    tellBanner(slot(), "default");
}

void GADSupplementalAdAppViewController::viewDidAppear(bool animated) {
    GADAdAppViewController::viewDidAppear(animated);
    auto& adView = this->adView();
    if (!adView) return;
    // What the first page heard before anything else, of this page's own view, and before
    // anything this page hears.
    auto s = slot();
    auto handler = s ? s->MRAIDEventHandler() : nullptr;
    auto events = handler && !toldPage_ ? handler->MRAIDEventsForPage(adView) : GADMRAIDEvents{};
    toldPage_ = true;
    events.push_back({"onAdVisibilityChanged", {{"visible", platform::Value("1")}}});
    adView->dispatchSDKEvents(events);
}

void GADSupplementalAdAppViewController::viewDidDisappear(bool animated) {
    GADAdAppViewController::viewDidDisappear(animated);
    if (auto& adView = this->adView())
        adView->dispatchSDKEvent("onAdVisibilityChanged", {{"visible", platform::Value("0")}});
}

}  // namespace ads
