#include "ads/fullscreen/GADOpenerOtherApps.h"

#include <algorithm>
#include <cctype>

#include "ads/foundation/GADSettings.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/fullscreen/GADFullScreenSlot.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/web/GADPageLog.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/ui/Application.h"

namespace ads {

namespace {

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

}  // namespace

std::shared_ptr<GADOpenerOtherApps> GADOpenerOtherApps::create(std::weak_ptr<GADOpener> opener) {
    return std::make_shared<GADOpenerOtherApps>(Private{}, std::move(opener));
}

void GADOpenerOtherApps::openApp(const platform::Url& url) {
    MOVU_CHECK_MAIN_THREAD();
    auto opener = opener_.lock();
    if (!opener || !opener->shouldPerformOpenAction()) return;
    openAppPastTheGate(url);
}

void GADOpenerOtherApps::openAppPastTheGate(const platform::Url& url) {
    MOVU_CHECK_MAIN_THREAD();
    auto opener = opener_.lock();
    if (!opener || !opener->isAdOnScreen()) return;
    if (!platform::ui::Application::shared().canOpenURL(url.absoluteString())) {
        GADPageLog::write(opener->adView().get(), "Ad click: this computer cannot open " +
                                                      printableScheme(url) +
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
    leaveAppTo(*opener, url);
}

void GADOpenerOtherApps::leaveAppTo(GADOpener& opener, const platform::Url& url) {
    // Everything is reported before the app is left, on a later turn.
    opener.didOpenExternalApp();
    if (auto slot = opener.slot()) slot->adWillLeaveApplication();
    opener.setDidOpenAnotherApplication(true);
    if (auto slot = opener.slot()) slot->willLeaveAppDueToClick();
    platform::MainLoop::main().post(
        [url] { platform::ui::Application::shared().openURL(url.absoluteString()); });
}

void GADOpenerOtherApps::alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int index) {
    MOVU_CHECK_MAIN_THREAD();
    auto entry = std::find_if(confirmationAlertURLs_.begin(), confirmationAlertURLs_.end(),
                              [&](const auto& e) { return e.first.lock().get() == &alert; });
    if (entry == confirmationAlertURLs_.end()) return;
    const platform::Url url = entry->second;
    confirmationAlertURLs_.erase(entry);
    if (index != alert.firstOtherButtonIndex()) return;
    allowedAppURLs_.insert(url.absoluteString());
    openAppPastTheGate(url);
}

}  // namespace ads
