#pragma once

// One full-screen ad as the announcement manager uses it: load it once, ask whether it is
// ready, present it once. The program's ads come from the ads SDK (SdkInterstitialAd); tests
// hand the manager a factory of scripted ones instead.
//
// Main thread only. The delegate is held weakly and hears each answer on the main thread,
// possibly from inside loadRequest or presentFromRootViewController. After a successful
// presentation the delegate hears interstitialDidDismissScreen once; a presentation that puts
// nothing on screen ends in interstitialDidFailToReceiveAdWithError instead.

#include <functional>
#include <memory>
#include <string>

#include "platform/base/Error.h"

namespace platform::ui {
class ViewController;
}

namespace online {

class AnnounceInterstitialAd;

class AnnounceInterstitialAdDelegate {
  public:
    virtual ~AnnounceInterstitialAdDelegate() = default;
    virtual void interstitialDidReceiveAd(AnnounceInterstitialAd& ad) = 0;
    virtual void interstitialDidFailToReceiveAdWithError(AnnounceInterstitialAd& ad,
                                                         const platform::Error& error) = 0;
    virtual void interstitialDidDismissScreen(AnnounceInterstitialAd& ad) = 0;
    virtual void interstitialWillLeaveApplication(AnnounceInterstitialAd& ad) = 0;
};

class AnnounceInterstitialAd {
  public:
    virtual ~AnnounceInterstitialAd() = default;

    virtual void setDelegate(std::weak_ptr<AnnounceInterstitialAdDelegate> delegate) = 0;
    // Loads with a plain request (no parameters set).
    virtual void loadRequest() = 0;
    virtual bool isReady() const = 0;
    // Presented once; used from then on.
    virtual bool hasBeenUsed() const = 0;
    virtual void presentFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root) = 0;
};

// Makes an interstitial for an ad unit id, not yet loading.
using AnnounceInterstitialAdFactory =
    std::function<std::shared_ptr<AnnounceInterstitialAd>(const std::string& adUnitId)>;

}  // namespace online
