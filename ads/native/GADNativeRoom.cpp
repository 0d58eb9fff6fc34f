#include "ads/native/GADNativeRoom.h"

#include "ads/native/GADAdLoading.h"
#include "ads/native/GADMAdNetworkConnectorNativeAd.h"
#include "ads/native/GADNativeAppInstallAd.h"
#include "ads/native/GADNativeAppInstallAdView.h"
#include "ads/native/GADNativeContentAd.h"
#include "ads/native/GADNativeContentAdView.h"
#include "ads/native/GADNativeCustomTemplateAd.h"
#include "ads/native/GADNativeMediationHooks.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/Once.h"

namespace ads {

void registerNativeClasses() {
    auto& classes = GADNativeAdClasses::shared();
    classes.setClass(GADNativeAdFormat::Content, GADNativeContentAd::loadingClass());
    classes.setClass(GADNativeAdFormat::AppInstall, GADNativeAppInstallAd::loadingClass());
    classes.setClass(GADNativeAdFormat::CustomTemplate, GADNativeCustomTemplateAd::loadingClass());

    // The formats are known by name, like the SDK's other classes; the loader makes them
    // through its tables, never from a name.
    auto& registry = platform::ClassRegistry::shared();
    registry.registerName(GADNativeContentAd::kClassName, "GADNativeAd", {"GADAdLoading"});
    registry.registerName(GADNativeAppInstallAd::kClassName, "GADNativeAd", {"GADAdLoading"});
    registry.registerName(GADNativeCustomTemplateAd::kClassName, "GADNativeAd", {"GADAdLoading"});
    // Interface files make the two ad view containers by name.
    GADNativeContentAdView::registerClass();
    GADNativeAppInstallAdView::registerClass();

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
