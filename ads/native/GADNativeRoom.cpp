#include "ads/native/GADNativeRoom.h"

#include "ads/native/GADAdLoading.h"
#include "ads/native/GADNativeAppInstallAd.h"
#include "ads/native/GADNativeContentAd.h"
#include "ads/native/GADNativeCustomTemplateAd.h"
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
    // The two ad view containers and the native connector register here once they exist.
}

void GADNativeRoom::load() {
    static platform::Once once;
    once.call([] { registerNativeClasses(); });
}

}  // namespace ads
