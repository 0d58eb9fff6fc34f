#include "ads/testsupport/ScriptedCorePage.h"

#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADSDKCoreController.h"
#include "ads/web/GADSDKCoreWebView.h"
#include "platform/storage/Json.h"
#include "platform/web/FakeWebPage.h"

namespace ads::testing {

using platform::web::NavigationType;

platform::web::FakeWebPage& ScriptedCorePage::page() {
    return *views_.web().pages().at(0);
}

void ScriptedCorePage::settle() {
    SDKCoreTestScope::settle(*GADSDKCoreController::sharedInstance());
}

void ScriptedCorePage::load() {
    page().fireNavigation(GADSDKCoreWebView::pageURL().absoluteString(), NavigationType::Other);
    settle();
    page().fireStart();
    page().fireFinish();
    settle();
}

void ScriptedCorePage::answer(const std::string& gmsg) {
    page().fireNavigation("gmsg://movuroute/" + gmsg, NavigationType::Other);
    settle();
}

platform::Value ScriptedCorePage::lastRequest() {
    const std::string prefix = "setTimeout(function(){RADE_getAd(";
    // What follows the parameters: ");}, 0);".
    const std::size_t suffix = 8;
    for (auto it = page().evaluations().rbegin(); it != page().evaluations().rend(); ++it) {
        if (it->rfind(prefix, 0) != 0 || it->size() < prefix.size() + suffix) continue;
        auto json = it->substr(prefix.size(), it->size() - prefix.size() - suffix);
        return platform::Json::parse(json).value_or(platform::Value());
    }
    return platform::Value();
}

}  // namespace ads::testing
