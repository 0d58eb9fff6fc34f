// The application's own URLs.

#include "app/appcore/AppCoreBase.h"
#include "app/screens/AppScreenSeams.h"
#include "app/screens/ShellAlerts.h"
#include "online/AnnounceManager.h"
#include "online/UrlPath.h"
#include "platform/runtime/MainLoop.h"
#include "util/LogMessage.h"

namespace app {

namespace {
constexpr const char* kDeleteAridMessage =
    "Are you sure to delete the account ID of this device? This means you can't access your "
    "data (scores etc.) on our server any more.";
}

bool AppCoreBase::applicationHandleOpenURL(platform::ui::Application&, const std::string& url) {
    return handleOpenURL(url);
}

void AppCoreBase::deliverOpenURLAgainLater(const std::string& url) {
    std::weak_ptr<AppCoreBase> weak = weak_from_this();
    platform::MainLoop::main().postAfter(kHandleOpenURLRetryDelay, [weak, url]() {
        if (auto self = weak.lock()) self->handleOpenURL(url);
    });
}

bool AppCoreBase::handleOpenURL(const std::string& url) {
    auto& am = online::AnnounceManager::sharedAnnounceManager();
    // An interstitial on screen would be covered by whatever the URL opens; wait for it, but
    // not for ever.
    if (am.interstitialAdPresenting() && pendingHandleOpenURLCount_ < kMaxPendingHandleOpenURL) {
        ++pendingHandleOpenURLCount_;
        deliverOpenURLAgainLater(url);
        return true;
    }
    util::LogMessage("-[AppCoreBase application:handleOpenURL:]", 1,
                     "pendingHandleOpenURLCount:" + std::to_string(pendingHandleOpenURLCount_));
    pendingHandleOpenURLCount_ = 0;

    std::string path = online::UrlPathOf(url);
    if (path.empty()) return true;
    if (path.rfind("/announceManager/", 0) == 0) {
        am.processAmUrl(url);
        return true;
    }
    if (path == "/deleteAridOfThisDevice") {
        auto alert = platform::ui::AlertView::create("Warning", kDeleteAridMessage,
                                                     weak_from_this(), "Cancel", {"DELETE"});
        alert->setTag(kDeleteAridAlertTag);
        alert->show();
        return true;
    }
    if (dlLevelsSupport_ && dlLevelsSupport_->handleOpenURL(url)) return true;
    if (path == "/startTitle") {
        stopAllViews();
        startTitleView();
    }
    return true;
}

void AppCoreBase::alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int index) {
    if (alert.tag() != kDeleteAridAlertTag || index != 1) return;
    // The id in memory stays until the next launch, which makes a new one.
    if (deleteAridFromKeychain()) {
        ShowSimpleAlert("Done",
                        "The account ID of this device was deleted. Shutdown the device now to "
                        "clear the cached account ID.");
    } else {
        ShowSimpleAlert("Error", "Deletion faiure");
    }
}

}  // namespace app
