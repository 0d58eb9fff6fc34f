// The SDK constants: what the core page's "loadSdkConstants" sets, in the order it is applied.

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/foundation/GADTokenDispenser.h"
#include "ads/web/GADSDKConstants.h"
#include "ads/web/GADSDKCoreController.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

using platform::Value;

void GADSDKCoreController::setBannerImplementationPathHook(PathHook hook) {
    MOVU_CHECK_MAIN_THREAD();
    hooks_.setBannerImplementationPath = std::move(hook);
}

void GADSDKCoreController::setInterstitialImplementationPathHook(PathHook hook) {
    MOVU_CHECK_MAIN_THREAD();
    hooks_.setInterstitialImplementationPath = std::move(hook);
}

void GADSDKCoreController::setExpandedBannerImplementationPathHook(PathHook hook) {
    MOVU_CHECK_MAIN_THREAD();
    hooks_.setExpandedBannerImplementationPath = std::move(hook);
}

void GADSDKCoreController::setAllowRedirectHook(std::function<void()> hook) {
    MOVU_CHECK_MAIN_THREAD();
    hooks_.allowRedirect = std::move(hook);
}

void GADSDKCoreController::setDisallowRedirectHook(std::function<void()> hook) {
    MOVU_CHECK_MAIN_THREAD();
    hooks_.disallowRedirect = std::move(hook);
}

void GADSDKCoreController::setUpdateCharacterSetsHook(std::function<void()> hook) {
    MOVU_CHECK_MAIN_THREAD();
    hooks_.updateCharacterSets = std::move(hook);
}

void GADSDKCoreController::SDKCoreGMSGHandlerDidLoadSDKConstants(
    GADSDKCoreGMSGHandler&, const Value::Dictionary& constants) {
    MOVU_CHECK_MAIN_THREAD();
    applySDKConstants(GADSDKConstants::fromParameters(constants));
}

void GADSDKCoreController::applySDKConstants(const GADSDKConstants& constants) {
    if (hooks_.setBannerImplementationPath) {
        hooks_.setBannerImplementationPath(constants.mraidBannerPath);
    }
    if (hooks_.setInterstitialImplementationPath) {
        hooks_.setInterstitialImplementationPath(constants.mraidInterstitialPath);
    }
    if (hooks_.setExpandedBannerImplementationPath) {
        hooks_.setExpandedBannerImplementationPath(constants.mraidExpandedBannerPath);
    }
    lockQueue_.async([locked = locked_, constants] {
        if (constants.activeViewUnloadCacheSize) {
            locked->activeViewUnloadCacheMaxSize = *constants.activeViewUnloadCacheSize;
        }
        locked->useNewWebViewsForActiveViewProcessing = constants.useNewWebViewsForActiveView;
        if (constants.activeViewSamplingInterval) {
            locked->activeViewSamplingInterval = *constants.activeViewSamplingInterval;
        }
        if (constants.swipeToViewSamplingInterval) {
            locked->swipeToViewSamplingInterval = *constants.swipeToViewSamplingInterval;
        }
    });
    if (constants.mraidDisableRedirect) {
        if (hooks_.disallowRedirect) hooks_.disallowRedirect();
    } else if (hooks_.allowRedirect) {
        hooks_.allowRedirect();
    }

    auto& defaults = platform::UserDefaults::standard();
    if (constants.whitelistedAdRequestDomains) {
        Value::Array hosts;
        for (const auto& host : *constants.whitelistedAdRequestDomains) hosts.emplace_back(host);
        defaults.setObject(settings_keys::kWhitelistedAdRequestDomains, Value(std::move(hosts)));
    }
    if (constants.clickthroughConfirmSchemes) {
        defaults.setObject(settings_keys::kClickthroughConfirmSchemes,
                           Value(*constants.clickthroughConfirmSchemes));
    }
    for (const auto& [key, text] : constants.plainConstants) defaults.setString(key, text);

    if (hooks_.updateCharacterSets) hooks_.updateCharacterSets();
    GADApplication::sharedInstance()->updateAvailableAdapterNamesWithPotentialAdapterNames(
        constants.adapterClassNames);
    GADTokenDispenser::sharedInstance()->refreshSignedInUser();
    lockQueue_.async([locked = locked_] { locked->SDKConstantsNeedReload = false; });
}

}  // namespace ads
