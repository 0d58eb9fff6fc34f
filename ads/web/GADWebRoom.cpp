#include "ads/web/GADWebRoom.h"

#include "ads/foundation/GADApplication.h"
#include "ads/web/GADMRAIDInterceptor.h"
#include "ads/web/GADSDKCoreController.h"
#include "platform/runtime/Once.h"

namespace ads {

void GADWebRoom::setSDKCoreHooks() {
    auto core = GADSDKCoreController::sharedInstance();
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
        // The SDK core is made at the start-up, not at load: a program that never starts the
        // SDK makes no hidden page.
        GADApplication::sharedInstance()->addEarlyActivity(
            GADEarlyActivities::Rank::MRAIDInterceptor, [] {
                GADMRAIDInterceptor::registerInterceptor();
                setSDKCoreHooks();
            });
    });
}

}  // namespace ads
