#pragma once

// The interstitial's full-screen controller: shows its slot's ad view (the page the slot
// loaded) with the close button of GADAdAppViewController, and tells the page "onshow" once
// it is on screen and "onhide" as it starts to leave. Once gone it lets go of the ad view,
// which belongs to the slot.
//
// Main thread only. While on screen it keeps the slot's public ad object (the interstitial)
// alive, so an app that dropped its interstitial right after presenting still hears the
// dismissal.

#include <memory>

#include "ads/fullscreen/GADAdAppViewController.h"

namespace ads {

class GADInterstitialViewController : public GADAdAppViewController {
  public:
    // nullptr without a slot.
    static std::shared_ptr<GADInterstitialViewController> create(
        const std::shared_ptr<GADFullScreenSlot>& slot);
    GADInterstitialViewController(Private key, std::shared_ptr<GADAdView> adView)
        : GADAdAppViewController(key, std::move(adView)) {}

    const char* className() const override { return "GADInterstitialViewController"; }

    // The slot holds a valid ad.
    bool isLoaded() const override;

    bool presentFromViewController(const std::shared_ptr<platform::ui::ViewController>& root,
                                   std::function<void()> completion) override;
    void relinquishScreenWithCompletion(std::function<void()> completion) override;

  protected:
    void finishAppearing() override;
    void finishDismissal() override;

  private:
    std::shared_ptr<void> interstitial_;
};

}  // namespace ads
