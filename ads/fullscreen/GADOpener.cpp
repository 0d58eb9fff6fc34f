#include "ads/fullscreen/GADOpener.h"

#include "ads/foundation/GADMRAIDEventHandling.h"
#include "ads/foundation/GADViewAdditions.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/fullscreen/GADOpenerComposers.h"
#include "ads/fullscreen/GADOpenerOtherApps.h"
#include "ads/fullscreen/GADOpenerStoreSheets.h"
#include "ads/fullscreen/GADOpenerWebApps.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADPageLog.h"
#include "ads/web/GADSDKCoreController.h"
#include "platform/base/StringEscaping.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

namespace ads {

namespace {

// Rule 1 of the gate (GADOpener.h).
bool isOnScreen(const GADAdView& adView) {
    if (adView.openings().shownOutsideOurViews) return true;
    const auto standIn = adView.openings().shownBy.lock();
    const platform::ui::View& shown =
        standIn ? *standIn : static_cast<const platform::ui::View&>(adView);
    // Ad views wait in a window nobody sees until they are placed: only the key window shows.
    if (shown.window() != platform::ui::Application::shared().keyWindow().get()) return false;
    std::shared_ptr<platform::ui::View> holder;
    for (const platform::ui::View* v = &shown; v; holder = v->superview(), v = holder.get()) {
        // As the window's hit test sees it: what the player cannot touch is not shown to them
        // either (a screen on its way in or out takes no touches). A stand-in itself may be a
        // picture or a text that leaves its touches to the native ad's view around it.
        if (v->alpha() < 0.01) return false;
        if (!v->isUserInteractionEnabled() && v != standIn.get()) return false;
    }
    // An inactive application, a hidden window or view, and clipping are the visible area's.
    return !gad_visibleBounds(shown).isEmpty();
}

}  // namespace

std::shared_ptr<GADOpener> GADOpener::create(const GADOpenerRoads& roads) {
    auto opener = std::make_shared<GADOpener>(Private{}, roads);
    opener->otherApps_ = GADOpenerOtherApps::create(opener);
    opener->storeSheets_ = GADOpenerStoreSheets::create(opener);
    opener->webApps_ = std::make_shared<GADOpenerWebApps>(opener);
    opener->composers_ = GADOpenerComposers::create(opener);
    return opener;
}

bool GADOpener::isAdOnScreen() const {
    MOVU_CHECK_MAIN_THREAD();
    auto view = adView();
    return view && isOnScreen(*view);
}

GADGateAnswer GADOpener::gate(GADOpening opening) {
    MOVU_CHECK_MAIN_THREAD();
    auto view = adView();
    // An opener without its ad view has no ad to open for, nor one to report a refusal of.
    if (!view) return GADGateAnswer::NotOnScreen;
    const GADGateAnswer answer = view->openings().admit(
        opening, isOnScreen(*view), autoClickProtected_, view->touched(), view->touchCount());
    if (answer == GADGateAnswer::Allowed || !view->openings().mayReportRefusal()) return answer;
    platform::Value::Dictionary info;
    if (view->adDebugDialog()) info["debugDialog"] = platform::Value(*view->adDebugDialog());
    if (navigationURL_) info["navigationURL"] = platform::Value(*navigationURL_);
    if (auto core = GADSDKCoreController::sharedInstance()->activeSDKCoreWebView()) {
        core->postJSNotification("navigationBlocked", &info);
    }
    return answer;
}

std::optional<GADGateAnswer> GADOpener::gateWithOrientations(unsigned mask, GADOpening opening) {
    MOVU_CHECK_MAIN_THREAD();
    auto view = adView();
    if (view && view->window() && !gad_supportsOrientations(*view, mask)) return std::nullopt;
    return gate(opening);
}

std::string GADOpener::refusalMessage(const std::string& doing, GADGateAnswer answer) {
    if (answer == GADGateAnswer::NotOnScreen) {
        return doing + " is not allowed while the ad is not on screen.";
    }
    return doing + " is not allowed until the user interacts with the ad.";
}

bool GADOpener::canOpenContent(bool hasContent) const {
    MOVU_CHECK_MAIN_THREAD();
    return hasContent && viewController() != nullptr;
}

void GADOpener::didOpen() {
    MOVU_CHECK_MAIN_THREAD();
    if (auto slot = this->slot()) {
        slot->adWasClicked();
        slot->pingClickURLs();
    }
}

void GADOpener::didOpenInApp() {
    MOVU_CHECK_MAIN_THREAD();
    didOpen();
    if (auto delegate = delegate_.lock()) delegate->didOpenInApplication();
}

void GADOpener::didOpenExternalApp() {
    MOVU_CHECK_MAIN_THREAD();
    didOpen();
    if (auto delegate = delegate_.lock()) delegate->didLeaveApplication();
}

bool GADOpener::isSlotMRAIDEnabled() const {
    MOVU_CHECK_MAIN_THREAD();
    auto slot = this->slot();
    return slot && slot->isMRAIDEnabled();
}

// Other apps

void GADOpener::openApp(const platform::Url& url) {
    MOVU_CHECK_MAIN_THREAD();
    otherApps_->openApp(url);
}

void GADOpener::openAppPastTheGate(const platform::Url& url) {
    MOVU_CHECK_MAIN_THREAD();
    otherApps_->openAppPastTheGate(url);
}

// The store sheet

void GADOpener::openInAppStoreWithProductID(const std::string& productID,
                                            const std::optional<platform::Url>& fallbackURL,
                                            bool shouldWaitForFetch) {
    MOVU_CHECK_MAIN_THREAD();
    storeSheets_->openInAppStoreWithProductID(productID, fallbackURL, shouldWaitForFetch);
}

void GADOpener::fetchInAppStoreForProductID(const std::string& productID) {
    MOVU_CHECK_MAIN_THREAD();
    storeSheets_->fetchInAppStoreForProductID(productID);
}

// Roads whose screens live in other rooms

void GADOpener::openInAppPurchase(const std::string& productID, std::int64_t quantity,
                                  const std::vector<std::string>& reportingURLStringFormats) {
    MOVU_CHECK_MAIN_THREAD();
    if (!shouldPerformOpenAction()) return;
    if (const auto& road = roads_.inAppPurchase()) {
        road(*this, productID, quantity, reportingURLStringFormats);
        return;
    }
    GADPageLog::write(adView().get(), "Ad click: in-app purchases (quantity " +
                                          std::to_string(quantity) +
                                          ") are not offered by this program; nothing bought.");
}

void GADOpener::openBrowserToURL(const platform::Url& url, std::uint64_t supportedOrientations) {
    MOVU_CHECK_MAIN_THREAD();
    if (!shouldPerformOpenActionWithOrientations(static_cast<unsigned>(supportedOrientations)) ||
        !canOpenContent(!url.absoluteString().empty())) {
        return;
    }
    if (const auto& road = roads_.browser()) {
        road(*this, url, supportedOrientations);
        return;
    }
    GADPageLog::write(adView().get(), "Ad click: no in-app browser is registered; nothing opened.");
}

void GADOpener::openVideoToURL(const platform::Url& url, std::uint64_t supportedOrientations) {
    MOVU_CHECK_MAIN_THREAD();
    const auto& road = roads_.video();
    if (!road) {
        openBrowserToURL(url, supportedOrientations);
        return;
    }
    if (!shouldPerformOpenActionWithOrientations(static_cast<unsigned>(supportedOrientations)) ||
        !canOpenContent(!url.absoluteString().empty())) {
        return;
    }
    road(*this, url, supportedOrientations);
}

void GADOpener::reportMRAIDError(const std::string& message, const std::string& action) const {
    auto slot = this->slot();
    if (auto handler = slot ? slot->MRAIDEventHandler() : nullptr) {
        handler->handleError(message, action);
        return;
    }
    // The page's script hears nothing without the handler; the log does, within the page's
    // budget, since a page can ask for a refusal in a loop.
    GADPageLog::write(adView().get(), [&] {
        return "Ad MRAID error (" + platform::logValue(action) +
               "): " + platform::logValue(message, platform::kLogTextMaxBytes);
    });
}

void GADOpener::openWebAppWithResizeProperties(const platform::Value::Dictionary& properties) {
    MOVU_CHECK_MAIN_THREAD();
    // The road checks the properties before it asks the gate, so that invalid ones are told
    // as such whether the ad was touched or not.
    if (const auto& road = roads_.resize()) {
        road(*this, properties);
        return;
    }
    GADPageLog::write(adView().get(),
                      "Ad resize: resizing ads is not supported yet; the ad stays as it is.");
}

void GADOpener::openCalendarWithDictionary(const platform::Value::Dictionary& event) {
    MOVU_CHECK_MAIN_THREAD();
    if (const auto& road = roads_.calendar()) {
        road(*this, event);
        return;
    }
    GADPageLog::write(adView().get(),
                      "Ad calendar event: this program has no calendar; nothing created.");
}

void GADOpener::presentComposerController(
    const std::shared_ptr<platform::ui::ViewController>& editor) {
    MOVU_CHECK_MAIN_THREAD();
    composers_->presentComposerController(editor);
}

void GADOpener::presentComposerControllerPastTheGate(
    const std::shared_ptr<platform::ui::ViewController>& editor) {
    MOVU_CHECK_MAIN_THREAD();
    composers_->presentPastTheGate(editor);
}

// Full-screen web app and expand

void GADOpener::openWebApp(const platform::Url& url, unsigned supportedOrientations,
                           bool useCustomClose) {
    MOVU_CHECK_MAIN_THREAD();
    webApps_->openWebApp(url, supportedOrientations, useCustomClose);
}

void GADOpener::openWebAppWithHTML(const std::string& html, unsigned supportedOrientations,
                                   bool useCustomClose) {
    MOVU_CHECK_MAIN_THREAD();
    webApps_->openWebAppWithHTML(html, supportedOrientations, useCustomClose);
}

void GADOpener::expandToWebAppWithSupportedOrientations(unsigned supportedOrientations,
                                                        bool useCustomClose) {
    MOVU_CHECK_MAIN_THREAD();
    webApps_->expandToWebAppWithSupportedOrientations(supportedOrientations, useCustomClose);
}

// Composers

void GADOpener::openEmailComposer(const platform::Url& url) {
    MOVU_CHECK_MAIN_THREAD();
    composers_->openEmailComposer(url);
}

void GADOpener::openSmsComposer(const platform::Url& url) {
    MOVU_CHECK_MAIN_THREAD();
    composers_->openSmsComposer(url);
}

}  // namespace ads
