#pragma once

// The full-screen controller that shows an ad page (a GADAdView) with a close button: the
// interstitial, an expanded MRAID ad and the second page of a two-part expansion are its
// kinds. It presents and leaves like every GADViewController (through a presenter, as a
// participant of its slot's intermission).
//
// Main thread only. The view is put together on its first appearance (configureView): the ad
// view fills it, the close button sits at the top-left corner, 32 x 32 points, labelled "Close
// Advertisement" (or, when the creative draws its own close control, is left out, or for an
// MRAID ad becomes an invisible tappable area at the creative's close position), and the page
// gets its own delegate (GADAdAppAdViewDelegate). A URL or HTML asked for before then waits for
// it. Tapping the close button gives the screen up.
//
// Back to the foreground: a creative with its own close control leaves (it may have no way to
// be closed otherwise once the app returns); one that just sent the user to another app stays
// up once, so the user comes back to the ad; anything else leaves.
//
// Who keeps whom: the controller holds its ad view, the page delegate and the close button;
// the ad view refers to the controller weakly. When the controller goes it clears the ad
// view's references to itself and to its page delegate, so an ad view that lives on (a
// banner's, after an expansion) never points at what is gone.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ads/fullscreen/GADViewController.h"
#include "platform/base/Url.h"

namespace platform::ui {
class Button;
}

namespace ads {

class GADAdAppAdViewDelegate;
class GADAdView;

class GADAdAppViewController : public GADViewController {
  public:
    // The side of the close button in points.
    static constexpr double kCloseButtonSide = 32;

    // Without an ad view the controller makes its own.
    static std::shared_ptr<GADAdAppViewController> create(
        std::shared_ptr<GADAdView> adView = nullptr);
    GADAdAppViewController(Private, std::shared_ptr<GADAdView> adView);
    ~GADAdAppViewController() override;

    const char* className() const override { return "GADAdAppViewController"; }

    // Loads into the ad view at once, or on the first appearance when there is none yet.
    void load(const platform::Url& url);
    void loadHTML(const std::string& html, const std::optional<platform::Url>& baseURL);

    bool useCustomClose() const { return useCustomClose_; }
    // Shows, hides or blanks the close button when the value changes.
    void setUseCustomClose(bool useCustomClose);
    // The creative's close position (GADMRAIDClosePosition); top-right (0) at first.
    std::int64_t customClosePosition() const { return customClosePosition_; }
    void setCustomClosePosition(std::int64_t position);

    const std::shared_ptr<GADAdView>& adView() const { return adView_; }
    // Lets go of the ad view (nullptr) or takes another; the one let go no longer points here.
    void setAdView(std::shared_ptr<GADAdView> adView);
    // Made when the view is configured; nullptr before.
    const std::shared_ptr<GADAdAppAdViewDelegate>& adViewDelegate() const {
        return adViewDelegate_;
    }
    const std::shared_ptr<platform::ui::Button>& closeButton() const { return closeButton_; }
    // The page has finished loading at least once.
    virtual bool isLoaded() const;

    void closeButtonPressed();
    void updateCloseButtonVisibilityAndImage();
    void positionMRAIDCloseButton();
    // Puts the view together; runs once, on the first appearance.
    virtual void configureView();

    bool shouldDismissOnApplicationEnteringForeground() override;
    void viewChangedToOrientation(int orientation) override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

  protected:
    // Every kind's create() runs this once the controller is shared.
    void setUp();

  private:
    void detachAdView();
    // The ad view is in this screen: what the screen's appearing and going says of the ad.
    bool showsItsAdView();

    bool viewHasAppeared_ = false;
    std::optional<platform::Url> URLToLoad_;
    std::optional<std::string> HTMLToLoad_;
    std::optional<platform::Url> HTMLBaseURLToLoad_;
    bool useCustomClose_ = false;
    std::int64_t customClosePosition_ = 0;
    std::shared_ptr<GADAdView> adView_;
    std::shared_ptr<GADAdAppAdViewDelegate> adViewDelegate_;
    std::shared_ptr<platform::ui::Button> closeButton_;
};

}  // namespace ads
