#include "ads/web/GADWebRoom.h"

#include <memory>

#include "ads/foundation/GADApplication.h"
#include "ads/web/GADMRAIDInterceptor.h"
#include "ads/web/GADSDKCoreController.h"
#include "platform/runtime/Once.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/web/WebEngine.h"

namespace ads {

void GADWebRoom::hookSharedSDKCore() {
    MOVU_CHECK_MAIN_THREAD();
    // Main thread only, so a plain static will do.
    static std::weak_ptr<GADSDKCoreController> hooked;
    auto core = GADSDKCoreController::sharedInstance();
    if (hooked.lock() == core) return;
    hooked = core;
    core->setBannerImplementationPathHook(&GADMRAIDInterceptor::setBannerImplementationPath);
    core->setInterstitialImplementationPathHook(
        &GADMRAIDInterceptor::setInterstitialImplementationPath);
    core->setExpandedBannerImplementationPathHook(
        &GADMRAIDInterceptor::setExpandedBannerImplementationPath);
    core->setAllowRedirectHook(&GADMRAIDInterceptor::allow);
    core->setDisallowRedirectHook(&GADMRAIDInterceptor::disallow);
}

void GADWebRoom::load() {
    static platform::Once once;
    once.call([] {
        // The SDK core page runs in a context of its own (GADSDKCoreWebView): its web process
        // starts with the engine, beside the ads' one, instead of once the first ad is asked
        // for, which waits for that page's answer.
        platform::web::WebEngine::expectContext(platform::web::WebViewContext::Service);
        GADApplication::sharedInstance()->addEarlyActivity(
            GADEarlyActivities::Rank::MRAIDInterceptor,
            [] { GADMRAIDInterceptor::registerInterceptor(); });
    });
}

}  // namespace ads
