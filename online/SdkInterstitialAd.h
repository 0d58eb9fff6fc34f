#pragma once

// The program's interstitials: an ads SDK interstitial (ads::GADInterstitial) for one ad unit,
// loaded with a plain request, behind the face the announcement manager uses. The SDK's
// delegate calls are handed on as they come, on the main thread.
//
// Main thread only. The manager keeps this object and this object its SDK interstitial,
// which holds it weakly as its delegate; once this object goes, the SDK interstitial goes
// too (unless its screen is still up) and nothing more is heard.

#include <memory>
#include <string>

#include "ads/slot/GADInterstitial.h"
#include "online/AnnounceInterstitialAd.h"

namespace online {

class SdkInterstitialAd : public AnnounceInterstitialAd,
                          public ads::GADInterstitialDelegate,
                          public std::enable_shared_from_this<SdkInterstitialAd> {
    struct Private {};

  public:
    static std::shared_ptr<SdkInterstitialAd> create(const std::string& adUnitId);
    // The manager's default: one SdkInterstitialAd per request.
    static AnnounceInterstitialAdFactory factory();
    SdkInterstitialAd(Private, std::shared_ptr<ads::GADInterstitial> interstitial);
    SdkInterstitialAd(const SdkInterstitialAd&) = delete;
    SdkInterstitialAd& operator=(const SdkInterstitialAd&) = delete;

    void setDelegate(std::weak_ptr<AnnounceInterstitialAdDelegate> delegate) override {
        delegate_ = std::move(delegate);
    }
    void loadRequest() override;
    bool isReady() const override;
    bool hasBeenUsed() const override;
    void presentFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root) override;

    void interstitialDidReceiveAd(ads::GADInterstitial& ad) override;
    void interstitialDidFailToReceiveAdWithError(ads::GADInterstitial& ad,
                                                 const platform::Error& error) override;
    void interstitialDidDismissScreen(ads::GADInterstitial& ad) override;
    void interstitialWillLeaveApplication(ads::GADInterstitial& ad) override;

  private:
    std::shared_ptr<ads::GADInterstitial> interstitial_;
    std::weak_ptr<AnnounceInterstitialAdDelegate> delegate_;
};

}  // namespace online
