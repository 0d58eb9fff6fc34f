#pragma once

// An interstitial's delegate that writes down what it hears, in order: "received",
// "failed <code>", "willPresent", "willDismiss", "didDismiss".

#include <string>
#include <vector>

#include "ads/slot/GADInterstitial.h"
#include "platform/base/Error.h"

namespace ads::testing {

class RecordingInterstitialDelegate : public GADInterstitialDelegate {
  public:
    void interstitialDidReceiveAd(GADInterstitial&) override { log.push_back("received"); }
    void interstitialDidFailToReceiveAdWithError(GADInterstitial&,
                                                 const platform::Error& error) override {
        log.push_back("failed " + std::to_string(error.code));
    }
    void interstitialWillPresentScreen(GADInterstitial&) override { log.push_back("willPresent"); }
    void interstitialWillDismissScreen(GADInterstitial&) override { log.push_back("willDismiss"); }
    void interstitialDidDismissScreen(GADInterstitial&) override { log.push_back("didDismiss"); }

    std::vector<std::string> log;
};

}  // namespace ads::testing
