#pragma once

// How a GADViewController gets on screen and off it again: it never presents itself but hands
// that to a presenter (GADModalOverlayPresenter, GADTransparentOverlayPresenter). Setting a
// controller's presenter tells the presenter which controller it shows. Main thread only; a
// presenter holds its controller weakly (the controller holds its presenter).

#include <functional>
#include <memory>

namespace platform::ui {
class ViewController;
}

namespace ads {

class GADViewController;

class GADOverlayPresenting {
  public:
    virtual ~GADOverlayPresenting() = default;

    // Shows the presented controller over `root`; the completion runs once it is shown. False,
    // with nothing shown and the completion dropped, when the platform refused.
    virtual bool presentFromViewController(
        const std::shared_ptr<platform::ui::ViewController>& root,
        std::function<void()> completion) = 0;
    // Where controllers shown over the presented one must be presented from.
    virtual std::shared_ptr<platform::ui::ViewController> presentationViewController() = 0;
    // Takes the presented controller off the screen; the completion runs when it is gone.
    virtual void dismissWithCompletionHandler(std::function<void()> completion) = 0;
    virtual std::shared_ptr<GADViewController> presentedViewController() const = 0;
    virtual void setPresentedViewController(std::weak_ptr<GADViewController> controller) = 0;
    virtual bool isReadyToPresent() = 0;
};

}  // namespace ads
