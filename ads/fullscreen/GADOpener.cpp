#include "ads/fullscreen/GADOpener.h"

#include "ads/foundation/GADSettings.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/foundation/GADViewAdditions.h"
#include "ads/fullscreen/GADComposeURLFields.h"
#include "ads/fullscreen/GADExpandedAdAppViewController.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/fullscreen/GADMailComposeDelegateProxy.h"
#include "ads/fullscreen/GADMessageComposeDelegateProxy.h"
#include "ads/fullscreen/GADOverlayProxy.h"
#include "ads/fullscreen/GADSKStoreProductViewControllerDelegate.h"
#include "ads/fullscreen/GADSupplementalAdAppViewController.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADSDKCoreController.h"
#include "platform/base/LogSink.h"
#include "platform/base/NumberText.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/WeakCall.h"
#include "platform/services/StoreProductSheet.h"
#include "platform/ui/Application.h"
#include "platform/ui/View.h"

namespace ads {

using platform::services::MailComposer;
using platform::services::MessageComposer;
using platform::services::StoreProductSheet;

namespace {

constexpr const char* kExpandRefused =
    "Expanding an ad is not allowed until the user interacts with the ad.";
constexpr const char* kResizeRefused =
    "Resizing an ad is not allowed until the user interacts with the ad.";

// Page-given schemes go into the log only when they are plain scheme characters.
std::string printableScheme(const platform::Url& url) {
    const std::string& scheme = url.scheme();
    if (scheme.empty() || scheme.size() > 32) return "(unnamed)";
    for (char c : scheme) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') {
            return "(unnamed)";
        }
    }
    return scheme;
}

void dispatchTo(const std::weak_ptr<GADAdView>& adView, const char* name,
                const platform::Value::Dictionary& parameters = {}) {
    if (auto view = adView.lock()) view->dispatchSDKEvent(name, parameters);
}

platform::Value::Dictionary stateParameters(const char* state) {
    return {{"state", platform::Value(state)}};
}

}  // namespace

std::shared_ptr<GADOpener> GADOpener::create(const GADOpenerRoads& roads) {
    return std::make_shared<GADOpener>(Private{}, roads);
}

bool GADOpener::shouldPerformOpenAction() {
    if (!autoClickProtected_) return true;
    auto view = adView();
    if (view && view->touched()) return true;
    platform::Value::Dictionary info;
    if (view && view->adDebugDialog())
        info["debugDialog"] = platform::Value(*view->adDebugDialog());
    if (navigationURL_) info["navigationURL"] = platform::Value(*navigationURL_);
    if (auto core = GADSDKCoreController::sharedInstance()->activeSDKCoreWebView()) {
        core->postJSNotification("navigationBlocked", &info);
    }
    return false;
}

bool GADOpener::shouldPerformOpenActionWithOrientations(unsigned mask) {
    auto view = adView();
    if (view && view->window() && !gad_supportsOrientations(*view, mask)) return false;
    return shouldPerformOpenAction();
}

bool GADOpener::canOpenContent(bool hasContent) const {
    return hasContent && viewController() != nullptr;
}

void GADOpener::didOpen() {
    if (auto slot = this->slot()) {
        slot->adWasClicked();
        slot->pingClickURLs();
    }
}

void GADOpener::didOpenInApp() {
    didOpen();
    if (auto delegate = delegate_.lock()) delegate->didOpenInApplication();
}

void GADOpener::didOpenExternalApp() {
    didOpen();
    if (auto delegate = delegate_.lock()) delegate->didLeaveApplication();
}

bool GADOpener::isSlotMRAIDEnabled() const {
    auto slot = this->slot();
    return slot && slot->isMRAIDEnabled();
}

void GADOpener::configureOverlay(GADAdAppViewController& controller, unsigned orientations,
                                 bool useCustomClose) const {
    controller.setSupportedInterfaceOrientations(orientations);
    controller.setSlot(slot());
    controller.setUseCustomClose(useCustomClose);
}

std::shared_ptr<GADSupplementalAdAppViewController> GADOpener::overlayWithOrientations(
    unsigned orientations, bool useCustomClose) const {
    auto controller = GADSupplementalAdAppViewController::create();
    configureOverlay(*controller, orientations, useCustomClose);
    return controller;
}

// Other apps

void GADOpener::openApp(const platform::Url& url) {
    if (!shouldPerformOpenAction()) return;
    if (!platform::ui::Application::shared().canOpenURL(url.absoluteString())) {
        platform::LogSink::write("Ad click: this computer cannot open " + printableScheme(url) +
                                 ": links; nothing opened.");
        return;
    }
    const auto schemes = GADSettings().clickthroughConfirmSchemes();
    auto title = schemes.find(url.scheme());
    if (title == schemes.end()) title = schemes.find(gad_asciiLowercased(url.scheme()));
    if (title != schemes.end() && !allowedAppURLs_.count(url.absoluteString())) {
        std::erase_if(confirmationAlertURLs_,
                      [](const auto& entry) { return entry.first.expired(); });
        const std::string& text = url.absoluteString();
        const std::size_t start = std::min(text.size(), url.scheme().size() + 1);
        auto alert = platform::ui::AlertView::create("", text.substr(start), weak_from_this(),
                                                     "Cancel", {title->second});
        confirmationAlertURLs_.emplace_back(alert, url);
        alert->show();
        return;
    }
    leaveAppTo(url);
}

void GADOpener::leaveAppTo(const platform::Url& url) {
    // Everything is reported before the app is left, on a later turn.
    didOpenExternalApp();
    if (auto slot = this->slot()) slot->adWillLeaveApplication();
    didOpenAnotherApplication_ = true;
    if (auto slot = this->slot()) slot->willLeaveAppDueToClick();
    platform::MainLoop::main().post(
        [url] { platform::ui::Application::shared().openURL(url.absoluteString()); });
}

void GADOpener::alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int index) {
    auto entry = std::find_if(confirmationAlertURLs_.begin(), confirmationAlertURLs_.end(),
                              [&](const auto& e) { return e.first.lock().get() == &alert; });
    if (entry == confirmationAlertURLs_.end()) return;
    const platform::Url url = entry->second;
    confirmationAlertURLs_.erase(entry);
    if (index != alert.firstOtherButtonIndex()) return;
    allowedAppURLs_.insert(url.absoluteString());
    openApp(url);
}

// The store sheet

void GADOpener::openInAppStoreWithProductID(const std::string& productID,
                                            const std::optional<platform::Url>& fallbackURL,
                                            bool shouldWaitForFetch) {
    if (!shouldPerformOpenAction()) return;
    if (productID.empty()) return;
    if (auto cached = cachedStoreProductViewController_.find(productID);
        cached != cachedStoreProductViewController_.end()) {
        auto sheet = std::move(cached->second);
        cachedStoreProductViewController_.erase(cached);
        presentStoreSheet(sheet, viewController());
        return;
    }
    auto sheet = StoreProductSheet::create();
    sheet->setDelegate(GADSKStoreProductViewControllerDelegate::sharedInstance());
    // The completion keeps the sheet while it loads: nothing else may hold a waiting one.
    sheet->loadProduct(platform::integerValue(productID),
                       [weak = weak_from_this(), sheet, fallbackURL, shouldWaitForFetch](
                           bool loaded, const std::optional<platform::Error>&) {
                           if (auto self = weak.lock()) {
                               self->storeProductDidLoad(sheet, loaded, fallbackURL,
                                                         shouldWaitForFetch);
                           }
                       });
    if (!shouldWaitForFetch) presentStoreSheet(sheet, viewController());
}

void GADOpener::presentStoreSheet(const std::shared_ptr<StoreProductSheet>& sheet,
                                  const std::shared_ptr<platform::ui::ViewController>& from) {
    sheet->setDelegate(GADSKStoreProductViewControllerDelegate::sharedInstance());
    auto proxy = GADOverlayProxy::overlayProxyForViewController(sheet);
    if (!proxy) proxy = GADOverlayProxy::create(sheet);
    proxy->setSlot(slot());
    proxy->presentFromViewController(
        from, platform::weakCall(weak_from_this(), [](GADOpener& self) { self.didOpenInApp(); }));
}

void GADOpener::storeProductDidLoad(const std::shared_ptr<StoreProductSheet>& sheet, bool loaded,
                                    const std::optional<platform::Url>& fallbackURL, bool waited) {
    if (loaded) {
        if (waited) presentStoreSheet(sheet, viewController());
        return;
    }
    auto presenting = sheet->presentingViewController();
    const bool onScreen = presenting && presenting->presentedViewController() == sheet;
    if (onScreen) {
        if (auto delegate = sheet->delegate()) delegate->productViewControllerDidFinish(*sheet);
    } else if (!waited) {
        // The user closed the sheet already.
        return;
    }
    if (fallbackURL) openApp(*fallbackURL);
}

void GADOpener::fetchInAppStoreForProductID(const std::string& productID) {
    if (productID.empty() || cachedStoreProductViewController_.count(productID)) return;
    auto sheet = StoreProductSheet::create();
    sheet->loadProduct(platform::integerValue(productID),
                       [weak = weak_from_this(), sheet, productID](
                           bool loaded, const std::optional<platform::Error>&) {
                           auto self = weak.lock();
                           if (self && loaded)
                               self->cachedStoreProductViewController_[productID] = sheet;
                       });
}

// Roads whose screens live in other rooms

void GADOpener::openInAppPurchase(const std::string& productID, std::int64_t quantity,
                                  const std::vector<std::string>& reportingURLStringFormats) {
    if (!shouldPerformOpenAction()) return;
    if (const auto& road = roads_.inAppPurchase()) {
        road(*this, productID, quantity, reportingURLStringFormats);
        return;
    }
    platform::LogSink::write("Ad click: in-app purchases (quantity " + std::to_string(quantity) +
                             ") are not offered by this program; nothing bought.");
}

void GADOpener::openBrowserToURL(const platform::Url& url, std::uint64_t supportedOrientations) {
    if (!shouldPerformOpenActionWithOrientations(static_cast<unsigned>(supportedOrientations)) ||
        !canOpenContent(!url.absoluteString().empty())) {
        return;
    }
    if (const auto& road = roads_.browser()) {
        road(*this, url, supportedOrientations);
        return;
    }
    platform::LogSink::write("Ad click: this program has no in-app browser yet; nothing opened.");
}

void GADOpener::openVideoToURL(const platform::Url& url, std::uint64_t supportedOrientations) {
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

void GADOpener::openWebAppWithResizeProperties(const platform::Value::Dictionary& properties) {
    if (!shouldPerformOpenAction()) {
        reportMRAIDError(kResizeRefused, "resize");
        return;
    }
    if (const auto& road = roads_.resize()) {
        road(*this, properties);
        return;
    }
    platform::LogSink::write(
        "Ad resize: resizing ads is not supported yet; the ad stays as it is.");
}

void GADOpener::openCalendarWithDictionary(const platform::Value::Dictionary& event) {
    if (const auto& road = roads_.calendar()) {
        road(*this, event);
        return;
    }
    platform::LogSink::write("Ad calendar event: this program has no calendar; nothing created.");
}

void GADOpener::reportMRAIDError(const std::string& message, const std::string& action) const {
    // The ad hears MRAID errors once its MRAID bridge exists; until then the log does.
    platform::LogSink::write("Ad MRAID error (" + action + "): " + message);
}

// Full-screen web app and expand

void GADOpener::openWebApp(const platform::Url& url, unsigned supportedOrientations,
                           bool useCustomClose) {
    if (!shouldPerformOpenActionWithOrientations(supportedOrientations)) {
        reportMRAIDError(kExpandRefused, "expand");
        return;
    }
    // A page's address is loaded only as a web address.
    if (!canOpenContent(gad_isWebURL(url))) return;
    auto controller = overlayWithOrientations(supportedOrientations, useCustomClose);
    controller->load(url);
    presentWebApp(controller);
}

void GADOpener::openWebAppWithHTML(const std::string& html, unsigned supportedOrientations,
                                   bool useCustomClose) {
    if (!shouldPerformOpenActionWithOrientations(supportedOrientations)) {
        reportMRAIDError(kExpandRefused, "expand");
        return;
    }
    if (!canOpenContent(!html.empty())) return;
    auto controller = overlayWithOrientations(supportedOrientations, useCustomClose);
    controller->loadHTML(html, std::nullopt);
    presentWebApp(controller);
}

void GADOpener::presentWebApp(
    const std::shared_ptr<GADSupplementalAdAppViewController>& controller) {
    if (controller->presentFromViewController(viewController(), {})) didOpenInApp();
}

void GADOpener::expandToWebAppWithSupportedOrientations(unsigned supportedOrientations,
                                                        bool useCustomClose) {
    if (!shouldPerformOpenActionWithOrientations(supportedOrientations)) {
        reportMRAIDError(kExpandRefused, "expand");
        return;
    }
    auto view = adView();
    if (!canOpenContent(view != nullptr)) return;
    auto from = viewController();
    // An ad that already fills the screen does not expand (a resized one would, once ads
    // can be resized).
    if (std::dynamic_pointer_cast<GADViewController>(from)) return;
    auto controller = GADExpandedAdAppViewController::create(view);
    configureOverlay(*controller, supportedOrientations, useCustomClose);
    std::weak_ptr<GADAdView> weakView = view;
    controller->setDismissalCompletion([weakView] {
        dispatchTo(weakView, "collapsed");
        dispatchTo(weakView, "onStateChanged", stateParameters("default"));
    });
    const bool started = controller->presentFromViewController(
        from, [weakView] { dispatchTo(weakView, "onStateChanged", stateParameters("expanded")); });
    if (!started) return;
    dispatchTo(weakView, "expanding");
    didOpenInApp();
}

// Composers

void GADOpener::openEmailComposer(const platform::Url& url) {
    if (!shouldPerformOpenAction() || !canOpenContent(true) || !MailComposer::canSendMail()) {
        return;
    }
    auto composer = MailComposer::create();
    if (!composer) return;
    if (auto overlay = GADOverlayProxy::create(composer)) overlay->setSlot(slot());
    auto proxy = GADMailComposeDelegateProxy::associatedDelegateProxyForController(composer);
    proxy->setMailComposeDelegate(
        std::weak_ptr<platform::services::MailComposerDelegate>(weak_from_this()));
    auto fields = gad_mailFieldsFromURLString(url.absoluteString());
    composer->setToRecipients(std::move(fields.to));
    composer->setCcRecipients(std::move(fields.cc));
    composer->setBccRecipients(std::move(fields.bcc));
    composer->setSubject(std::move(fields.subject));
    composer->setMessageBody(std::move(fields.body), false);
    composer->setModalTransitionStyle(platform::ui::ModalTransitionStyle::CoverVertical);
    presentComposerController(composer);
}

void GADOpener::openSmsComposer(const platform::Url& url) {
    if (!shouldPerformOpenAction() || !canOpenContent(true) || !MessageComposer::canSendText()) {
        return;
    }
    auto composer = MessageComposer::create();
    if (!composer) return;
    if (auto overlay = GADOverlayProxy::create(composer)) overlay->setSlot(slot());
    auto proxy = GADMessageComposeDelegateProxy::associatedDelegateProxyForController(composer);
    proxy->setMessageComposeDelegate(
        std::weak_ptr<platform::services::MessageComposerDelegate>(weak_from_this()));
    auto fields = gad_textMessageFieldsFromURLString(url.absoluteString());
    composer->setRecipients(std::move(fields.recipients));
    composer->setBody(std::move(fields.body));
    composer->setModalTransitionStyle(platform::ui::ModalTransitionStyle::CoverVertical);
    presentComposerController(composer);
}

void GADOpener::presentComposerController(
    const std::shared_ptr<platform::ui::ViewController>& composer) {
    if (!composer) return;
    if (!shouldPerformOpenAction()) {
        abandonComposer(composer);
        return;
    }
    auto from = viewController();
    if (auto screen = std::dynamic_pointer_cast<GADViewController>(from);
        screen && !screen->view()->isUserInteractionEnabled()) {
        // A screen that is leaving (or gone) will not take the composer later either.
        if (!screen->isRetainingItself()) {
            abandonComposer(composer);
            return;
        }
        std::weak_ptr<GADOpener> weakSelf = weak_from_this();
        std::weak_ptr<platform::ui::ViewController> weakComposer = composer;
        platform::MainLoop::main().postAfter(kComposerRetryInterval, [weakSelf, weakComposer] {
            auto composer = weakComposer.lock();
            if (!composer) return;
            if (auto self = weakSelf.lock())
                self->presentComposerController(composer);
            else
                abandonComposer(composer);
        });
        return;
    }
    auto overlay = GADOverlayProxy::overlayProxyForViewController(composer);
    if (!overlay) {
        overlay = GADOverlayProxy::create(composer);
        overlay->setSlot(slot());
    }
    overlay->setOpener(shared_from_this());
    if (overlay->presentFromViewController(from, {})) {
        didOpenInApp();
        return;
    }
    overlay->setOpener(nullptr);
    abandonComposer(composer);
}

void GADOpener::abandonComposer(const std::shared_ptr<platform::ui::ViewController>& composer) {
    if (auto mail = std::dynamic_pointer_cast<MailComposer>(composer)) {
        if (auto proxy = std::dynamic_pointer_cast<GADMailComposeDelegateProxy>(
                mail->mailComposeDelegate())) {
            proxy->stopProxying();
        }
    } else if (auto message = std::dynamic_pointer_cast<MessageComposer>(composer)) {
        if (auto proxy = std::dynamic_pointer_cast<GADMessageComposeDelegateProxy>(
                message->messageComposeDelegate())) {
            proxy->stopProxying();
        }
    }
}

void GADOpener::mailComposeControllerDidFinish(MailComposer& composer,
                                               platform::services::MailComposeResult,
                                               const std::optional<platform::Error>&) {
    finishComposer(composer.shared_from_this());
}

void GADOpener::messageComposeViewControllerDidFinish(MessageComposer& composer,
                                                      platform::services::MessageComposeResult) {
    finishComposer(composer.shared_from_this());
}

void GADOpener::finishComposer(const std::shared_ptr<platform::ui::ViewController>& composer) {
    platform::MainLoop::main().post([composer] {
        GADOverlayProxy::relinquishOrDismiss(composer, [composer] { abandonComposer(composer); });
    });
}

}  // namespace ads
