#pragma once

// Shows a banner's own ad view full screen (an MRAID expansion, or the host of a resized ad):
// the ad view is taken out of the banner and a still picture of it is left in its place, so
// the app's screen does not show a hole; when the screen is given up the ad view goes back
// exactly where it was, with its delegate and controller. The picture is not drawn where the
// ad view itself shows on the same screen (a resize over the banner's own place): the ad's
// transparent parts show the app there, not the banner the ad was.
//
// The ad view goes back as the screen starts to leave, not once its animation is over: the
// return completion runs then, after the app's own screen is back under the banner, so the
// page hears of its layout there as it gets there (and the banner shows its page's picture
// from before until the page has painted that layout, GADAdView::restoreState). A screen
// that leaves without putting the ad view back itself (the platform dismissing it, or an ad
// that another screen took on) runs it once it has gone.
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

    // Runs once, when the ad view is back where it came from (see above).
    void setReturnCompletion(std::function<void()> completion) {
        returnCompletion_ = std::move(completion);
    }

    // The picture in the banner's place while expanded; nullptr before.
    const std::shared_ptr<platform::ui::ImageView>& renderedBanner() const {
        return renderedBanner_;
    }

  protected:
    void finishDismissal() override;

  private:
    void runReturnCompletion();

    std::shared_ptr<platform::ui::ImageView> renderedBanner_;
    std::function<void()> returnCompletion_;
};

}  // namespace ads
