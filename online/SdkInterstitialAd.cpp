#include "online/SdkInterstitialAd.h"

#include "ads/foundation/GADRequest.h"

namespace online {

std::shared_ptr<SdkInterstitialAd> SdkInterstitialAd::create(const std::string& adUnitId) {
    auto ad =
        std::make_shared<SdkInterstitialAd>(Private{}, ads::GADInterstitial::create(adUnitId));
    ad->interstitial_->setDelegate(ad);
    return ad;
}

AnnounceInterstitialAdFactory SdkInterstitialAd::factory() {
    return [](const std::string& adUnitId) -> std::shared_ptr<AnnounceInterstitialAd> {
        return create(adUnitId);
    };
}

SdkInterstitialAd::SdkInterstitialAd(Private, std::shared_ptr<ads::GADInterstitial> interstitial)
    : interstitial_(std::move(interstitial)) {}

void SdkInterstitialAd::loadRequest() {
    interstitial_->loadRequest(ads::GADRequest::request());
}

bool SdkInterstitialAd::isReady() const {
    return interstitial_->isReady();
}

bool SdkInterstitialAd::hasBeenUsed() const {
    return interstitial_->hasBeenUsed();
}

void SdkInterstitialAd::presentFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& root) {
    interstitial_->presentFromRootViewController(root);
}

void SdkInterstitialAd::interstitialDidReceiveAd(ads::GADInterstitial&) {
    if (auto d = delegate_.lock()) d->interstitialDidReceiveAd(*this);
}

void SdkInterstitialAd::interstitialDidFailToReceiveAdWithError(ads::GADInterstitial&,
                                                                const platform::Error& error) {
    if (auto d = delegate_.lock()) d->interstitialDidFailToReceiveAdWithError(*this, error);
}

void SdkInterstitialAd::interstitialDidDismissScreen(ads::GADInterstitial&) {
    if (auto d = delegate_.lock()) d->interstitialDidDismissScreen(*this);
}

void SdkInterstitialAd::interstitialWillLeaveApplication(ads::GADInterstitial&) {
    if (auto d = delegate_.lock()) d->interstitialWillLeaveApplication(*this);
}

}  // namespace online
