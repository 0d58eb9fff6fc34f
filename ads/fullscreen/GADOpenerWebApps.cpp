#include "ads/fullscreen/GADOpenerWebApps.h"

#include "ads/foundation/GADURLUtilities.h"
#include "ads/fullscreen/GADExpandedAdAppViewController.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/fullscreen/GADMRAIDResizeOverlayPresenter.h"
#include "ads/fullscreen/GADMRAIDStateReport.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/fullscreen/GADSupplementalAdAppViewController.h"
#include "ads/web/GADAdView.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

namespace {

constexpr const char* kExpanding = "Expanding an ad";
// Not a missing touch: the error says what is wrong.
constexpr const char* kNoSuchOrientation =
    "Expanding an ad is not allowed: the app takes none of the orientations the ad asks for.";

void dispatchTo(const std::weak_ptr<GADAdView>& adView, const char* name,
                const platform::Value::Dictionary& parameters = {}) {
    if (auto view = adView.lock()) view->dispatchSDKEvent(name, parameters);
}

}  // namespace

void GADOpenerWebApps::configureOverlay(GADAdAppViewController& controller, unsigned orientations,
                                        bool useCustomClose) const {
    MOVU_CHECK_MAIN_THREAD();
    auto opener = opener_.lock();
    controller.setSupportedInterfaceOrientations(orientations);
    controller.setSlot(opener ? opener->slot() : nullptr);
    controller.setUseCustomClose(useCustomClose);
}

std::shared_ptr<GADSupplementalAdAppViewController> GADOpenerWebApps::overlayWithOrientations(
    unsigned orientations, bool useCustomClose) const {
    MOVU_CHECK_MAIN_THREAD();
    auto controller = GADSupplementalAdAppViewController::create();
    configureOverlay(*controller, orientations, useCustomClose);
    return controller;
}

std::shared_ptr<GADOpener> GADOpenerWebApps::openerPastTheGate(unsigned orientations,
                                                               GADOpening opening) const {
    auto opener = opener_.lock();
    if (!opener) return nullptr;
    const auto answer = opener->gateWithOrientations(orientations, opening);
    if (answer == GADGateAnswer::Allowed) return opener;
    opener->reportMRAIDError(
        answer ? GADOpener::refusalMessage(kExpanding, *answer) : kNoSuchOrientation, "expand");
    return nullptr;
}

void GADOpenerWebApps::openWebApp(const platform::Url& url, unsigned supportedOrientations,
                                  bool useCustomClose) {
    MOVU_CHECK_MAIN_THREAD();
    auto opener = openerPastTheGate(supportedOrientations, GADOpening::OutOfTheAd);
    if (!opener) return;
    // A page's address is loaded only as a web address.
    if (!opener->canOpenContent(gad_isWebURL(url))) return;
    auto controller = overlayWithOrientations(supportedOrientations, useCustomClose);
    controller->load(url);
    presentWebApp(*opener, controller);
}

void GADOpenerWebApps::openWebAppWithHTML(const std::string& html, unsigned supportedOrientations,
                                          bool useCustomClose) {
    MOVU_CHECK_MAIN_THREAD();
    auto opener = openerPastTheGate(supportedOrientations, GADOpening::OutOfTheAd);
    if (!opener) return;
    if (!opener->canOpenContent(!html.empty())) return;
    auto controller = overlayWithOrientations(supportedOrientations, useCustomClose);
    controller->loadHTML(html, std::nullopt);
    presentWebApp(*opener, controller);
}

void GADOpenerWebApps::presentWebApp(
    GADOpener& opener, const std::shared_ptr<GADSupplementalAdAppViewController>& controller) {
    // A resized ad that opens a page of its own stays resized when the page closes.
    if (auto screen = std::dynamic_pointer_cast<GADViewController>(opener.viewController())) {
        if (auto resize =
                std::dynamic_pointer_cast<GADMRAIDResizeOverlayPresenter>(screen->presenter())) {
            resize->setDismissToDefaultState(false);
        }
    }
    if (controller->presentFromViewController(opener.viewController(), {})) opener.didOpenInApp();
}

void GADOpenerWebApps::expandToWebAppWithSupportedOrientations(unsigned supportedOrientations,
                                                               bool useCustomClose) {
    MOVU_CHECK_MAIN_THREAD();
    auto opener = openerPastTheGate(supportedOrientations, GADOpening::Expand);
    if (!opener) return;
    auto view = opener->adView();
    if (!opener->canOpenContent(view != nullptr)) return;
    auto from = opener->viewController();
    // An ad that already fills the screen does not expand; a resized one does, and its resize
    // then leaves the "default" state to the expansion's own dismissal.
    if (auto screen = std::dynamic_pointer_cast<GADViewController>(from)) {
        auto resize =
            std::dynamic_pointer_cast<GADMRAIDResizeOverlayPresenter>(screen->presenter());
        if (!resize) return;
        resize->setDismissToDefaultState(false);
    }
    auto controller = GADExpandedAdAppViewController::create(view);
    configureOverlay(*controller, supportedOrientations, useCustomClose);
    std::weak_ptr<GADAdView> weakView = view;
    auto slot = opener->slot();
    std::weak_ptr<GADMRAIDEventHandling> weakHandler = slot ? slot->MRAIDEventHandler() : nullptr;
    controller->setReturnCompletion([weakView, weakHandler] {
        GADMRAIDStateReport::layoutDidChange(weakHandler.lock(), weakView.lock(), "default", false,
                                             {{"collapsed", {}}});
    });
    // The ad view moves as the screen comes: from here its state tells where it is.
    GADMRAIDStateReport::layoutWillChange(weakHandler.lock());
    const bool started = controller->presentFromViewController(from, [weakView, weakHandler] {
        GADMRAIDStateReport::layoutDidChange(weakHandler.lock(), weakView.lock(), "expanded");
    });
    if (!started) {
        GADMRAIDStateReport::layoutDidChange(weakHandler.lock(), view, std::nullopt);
        return;
    }
    dispatchTo(weakView, "expanding");
    opener->didOpenInApp();
}

}  // namespace ads
