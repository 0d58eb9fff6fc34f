#pragma once

// A banner's and an interstitial's delegate that writes down what the app hears, in order:
// "received", "fail:<code>", "willPresent", "willDismiss", "didDismiss".

#include <string>
#include <vector>

#include "ads/slot/GADBannerView.h"
#include "ads/slot/GADInterstitial.h"
#include "platform/base/Error.h"

namespace ads::testing {

class HeardPublicAds : public GADBannerViewDelegate, public GADInterstitialDelegate {
  public:
    void adViewDidReceiveAd(GADBannerView&) override { log.push_back("received"); }
    void adViewDidFailToReceiveAdWithError(GADBannerView&, const platform::Error& e) override {
        log.push_back("fail:" + std::to_string(e.code));
    }
    void interstitialDidReceiveAd(GADInterstitial&) override { log.push_back("received"); }
    void interstitialDidFailToReceiveAdWithError(GADInterstitial&,
                                                 const platform::Error& e) override {
        log.push_back("fail:" + std::to_string(e.code));
    }
    void interstitialWillPresentScreen(GADInterstitial&) override { log.push_back("willPresent"); }
    void interstitialWillDismissScreen(GADInterstitial&) override { log.push_back("willDismiss"); }
    void interstitialDidDismissScreen(GADInterstitial&) override { log.push_back("didDismiss"); }

    std::vector<std::string> log;
};

}  // namespace ads::testing
