#include "ads/native/GADNativeRoom.h"

#include "ads/native/GADAdLoading.h"
#include "ads/native/GADMAdNetworkConnectorNativeAd.h"
#include "ads/native/GADNativeMediationHooks.h"
#include "platform/runtime/Once.h"

namespace ads {

void registerNativeClasses() {
    // Each format class goes in here with GADNativeAdClasses::shared().setClass. Until a
    // format is built its ad type is refused (code 12) and its answers have no class (code 13).

    // Mediation: the manager makes the native connector by name, and the built-in adapters
    // reach native loading through their hooks.
    GADMAdNetworkConnectorNativeAd::registerClass();
    installNativeMediationHooks();
}

void GADNativeRoom::load() {
    static platform::Once once;
    once.call([] { registerNativeClasses(); });
}

}  // namespace ads
