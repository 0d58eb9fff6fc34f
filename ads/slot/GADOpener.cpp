#include "ads/slot/GADOpener.h"

#include <algorithm>
#include <cctype>

#include "ads/foundation/GADURLUtilities.h"
#include "ads/slot/GADSlot.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADSDKCoreController.h"
#include "platform/runtime/MainLoop.h"
#include "platform/ui/Application.h"

namespace ads {

std::shared_ptr<GADOpener> GADOpener::create() {
    return std::make_shared<GADOpener>(Private{});
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

void GADOpener::openApp(const platform::Url& url) {
    if (!gad_isWebURL(url)) return;
    if (!shouldPerformOpenAction()) return;
    // Everything is reported before the app is left, on a later turn.
    didOpenExternalApp();
    if (auto slot = this->slot()) slot->adWillLeaveApplication();
    didOpenAnotherApplication_ = true;
    if (auto slot = this->slot()) slot->willLeaveAppDueToClick();
    platform::MainLoop::main().post(
        [url] { platform::ui::Application::shared().openURL(url.absoluteString()); });
}

}  // namespace ads
