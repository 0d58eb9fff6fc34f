#pragma once

// Shows a banner's own ad view full screen (an MRAID expansion, or the host of a resized ad):
// the ad view is taken out of the banner and a still picture of it is left in its place, so
// the app's screen does not show a hole; when the screen is given up the ad view goes back
// exactly where it was, with its delegate and controller. The picture is not drawn where the
// ad view itself shows on the same screen (a resize over the banner's own place): the ad's
// transparent parts show the app there, not the banner the ad was.
//
// Main thread only. The picture lives as long as the controller: it is removed when the
// controller goes, after the ad view is back in its place.

#include <memory>

#include "ads/fullscreen/GADAdAppViewController.h"

namespace platform::ui {
class ImageView;
}

namespace ads {

class GADExpandedAdAppViewController : public GADAdAppViewController {
  public:
    // nullptr without an ad view.
    static std::shared_ptr<GADExpandedAdAppViewController> create(
        std::shared_ptr<GADAdView> adView);
    GADExpandedAdAppViewController(Private key, std::shared_ptr<GADAdView> adView)
        : GADAdAppViewController(key, std::move(adView)) {}
    ~GADExpandedAdAppViewController() override;

    const char* className() const override { return "GADExpandedAdAppViewController"; }

    // The banner's page has loaded already.
    bool isLoaded() const override { return true; }
    void configureView() override;
    void relinquishScreenWithCompletion(std::function<void()> completion) override;

    // The picture in the banner's place while expanded; nullptr before.
    const std::shared_ptr<platform::ui::ImageView>& renderedBanner() const {
        return renderedBanner_;
    }

  private:
    std::shared_ptr<platform::ui::ImageView> renderedBanner_;
};

}  // namespace ads
