#pragma once

// Lays a full-screen SDK controller's view into the app's window without a modal
// presentation, on a clear background, so the app stays visible around the ad's content and
// takes the touches that miss it. The view hangs in a crop view of the application frame's
// size inside a square pivot view as large as the screen's longer side; both let touches on
// their empty area through (GADUnclickableView). The ad slides up from the bottom edge over
// 0.4 s and fades out over 0.2 s. While it is up, a change of the status bar's orientation
// lays it out again, and the slot's placement leaving its window dismisses it.
//
// Main thread only. The presenter holds its controller weakly and its two views strongly;
// its observations hold it weakly. A fade under way keeps the views it will take away.

#include <memory>

#include "ads/fullscreen/GADOverlayPresenting.h"
#include "platform/base/Geometry.h"
#include "platform/runtime/NotificationCenter.h"

namespace platform::ui {
class Window;
}

namespace ads {

class GADUnclickableView;

class GADTransparentOverlayPresenter
    : public GADOverlayPresenting,
      public std::enable_shared_from_this<GADTransparentOverlayPresenter> {
  protected:
    struct Private {};

  public:
    static constexpr double kSlideDuration = 0.4;
    static constexpr double kFadeDuration = 0.2;
    // How long the status bar takes to turn.
    static constexpr double kOrientationAnimationDuration = 0.3;

    static std::shared_ptr<GADTransparentOverlayPresenter> create();
    explicit GADTransparentOverlayPresenter(Private);
    ~GADTransparentOverlayPresenter() override;
    GADTransparentOverlayPresenter(const GADTransparentOverlayPresenter&) = delete;
    GADTransparentOverlayPresenter& operator=(const GADTransparentOverlayPresenter&) = delete;

    // A rectangle of the size centred in the frame.
    static platform::Rect frameWithSizeCenteredInFrame(platform::Size size, platform::Rect frame);
    // The system turns the window's content itself, so no orientation needs a turn here.
    platform::AffineTransform transformForOrientation(int orientation) const;
    // The application frame's size in the orientation, centred in the pivot view.
    platform::Rect pivotedApplicationFrameForOrientation(int orientation) const;

    // The root controller's window or, when its view is in none, the key window. False, with
    // nothing shown, without either.
    bool presentFromViewController(const std::shared_ptr<platform::ui::ViewController>& root,
                                   std::function<void()> completion) override;
    // The app's topmost controller in the window the ad lies in.
    std::shared_ptr<platform::ui::ViewController> presentationViewController() override;
    void dismissWithCompletionHandler(std::function<void()> completion) override;
    std::shared_ptr<GADViewController> presentedViewController() const override {
        return presented_.lock();
    }
    void setPresentedViewController(std::weak_ptr<GADViewController> controller) override {
        presented_ = std::move(controller);
    }
    // A controller to present is set and there is a window to lay it into.
    bool isReadyToPresent() override;

    const std::shared_ptr<GADUnclickableView>& pivotView() const { return pivotView_; }
    const std::shared_ptr<GADUnclickableView>& cropView() const { return cropView_; }

  protected:
    virtual void composeTransparentInterstitialViewsForPresentation();
    virtual void animateTransparentInterstitialPresentationWithCompletionHandler(
        std::function<void()> completion);
    virtual void updateTransparentInterstitialOrientation();

  private:
    std::shared_ptr<platform::ui::Window> hostWindow() const;

    std::weak_ptr<GADViewController> presented_;
    std::shared_ptr<GADUnclickableView> pivotView_;
    std::shared_ptr<GADUnclickableView> cropView_;
    platform::NotificationCenter::Observation orientationChangeListener_;
    platform::NotificationCenter::Observation placementDisappearanceObserver_;
};

}  // namespace ads
