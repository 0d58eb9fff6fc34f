// GADNativeAd(MediatedNativeAdAdditions): native ads made from a network's mediated ad, their
// reports back to the network and its screen events.

#include <algorithm>

#include "ads/native/GADMediatedNativeAd.h"
#include "ads/native/GADNativeAd.h"
#include "ads/native/GADNativeAdDelegate.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

GADAdLoadingClass GADNativeAd::classFromMediatedNativeAd(const GADMediatedNativeAd& mediatedAd) {
    const auto* ad = mediatedAd.ad().get();
    if (!ad) return nullptr;
    if (const auto* own = dynamic_cast<const GADNativeAd*>(ad)) {
        // The class its server's ad object names, as when the ad came directly.
        const auto& object = own->adConfiguration();
        if (!object) return nullptr;
        return classFromAdConfigurationDictionary(
            platform::Value::dictionary({{"ads", platform::Value::array({*object})}}));
    }
    auto& classes = GADNativeAdClasses::shared();
    if (dynamic_cast<const GADMediatedNativeAppInstallAd*>(ad))
        return classes.classForAdType(kGADAdLoaderAdTypeNativeAppInstall);
    if (dynamic_cast<const GADMediatedNativeContentAd*>(ad))
        return classes.classForAdType(kGADAdLoaderAdTypeNativeContent);
    return nullptr;
}

void GADNativeAd::initWithMediatedNativeAd(const std::shared_ptr<GADMediatedNativeAd>& mediatedAd) {
    mediatedNativeAd_ = mediatedAd;
    if (!mediatedAd) return;
    adNetworkClassName_ = mediatedAd->adNetworkClassName();
    if (mediatedAd->ad()) extraAssets_ = mediatedAd->ad()->extraAssets();
    observeNotificationsFromMediatedNativeAd();
}

void GADNativeAd::observeNotificationsFromMediatedNativeAd() {
    mediatedNativeAdObservations_.clear();
    if (!mediatedNativeAd_ || !mediatedNativeAd_->ad()) return;
    const void* object = GADMediatedNativeAdNotificationObject(*mediatedNativeAd_->ad());
    const std::pair<const char*, void (GADNativeAdDelegate::*)(GADNativeAd&)> relays[] = {
        {kGADMediatedNativeAdWillPresentScreenNotification,
         &GADNativeAdDelegate::nativeAdWillPresentScreen},
        {kGADMediatedNativeAdWillDismissScreenNotification,
         &GADNativeAdDelegate::nativeAdWillDismissScreen},
        {kGADMediatedNativeAdDidDismissScreenNotification,
         &GADNativeAdDelegate::nativeAdDidDismissScreen},
        {kGADMediatedNativeAdWillLeaveApplicationNotification,
         &GADNativeAdDelegate::nativeAdWillLeaveApplication},
    };
    auto& center = platform::NotificationCenter::defaultCenter();
    for (const auto& [name, callback] : relays) {
        // Networks post from their own threads; the app hears it on the main thread, as it
        // hears the slot's events.
        mediatedNativeAdObservations_.push_back(center.observe(
            name, object,
            [weak = weak_from_this(), call = callback](const platform::Notification&) {
                if (auto ad = weak.lock()) ad->tellDelegate(call);
            }));
    }
}

void GADNativeAd::reportMediatedImpression() {
    if (mediatedNativeAd_) mediatedNativeAd_->reportImpression();
}

void GADNativeAd::reportMediatedClick(const std::shared_ptr<platform::ui::View>& view,
                                      const std::string& assetName) {
    if (mediatedNativeAd_)
        mediatedNativeAd_->reportClickOnAssetWithName(assetName, view, rootViewController());
}

void GADNativeAd::reportRenderedInView(const std::shared_ptr<platform::ui::View>& view) {
    MOVU_CHECK_MAIN_THREAD();
    if (!mediatedNativeAd_ || !view) return;
    std::erase_if(renderedInViews_, [](const auto& seen) { return seen.expired(); });
    const bool seen = std::any_of(renderedInViews_.begin(), renderedInViews_.end(),
                                  [&](const auto& known) { return known.lock() == view; });
    if (seen) return;
    renderedInViews_.push_back(view);
    mediatedNativeAd_->reportMediatedAdRenderedInView(view);
}

}  // namespace ads
