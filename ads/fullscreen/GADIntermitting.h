#pragma once

// What every screen the SDK puts over the app answers as a participant of its slot's
// intermission (GADIntermission): its own full-screen controllers (GADViewController) and the
// proxies that stand for the platform's controllers (GADOverlayProxy). Main thread only.

#include <functional>
#include <memory>

namespace platform::ui {
class ViewController;
}

namespace ads {

class GADIntermission;

class GADIntermitting {
  public:
    virtual ~GADIntermitting() = default;

    // Puts the participant on screen over `root`. True when the presentation started; false
    // when nothing was shown (the completion then never runs and the intermission has been
    // left again), so a caller that reports an open by it reports nothing.
    virtual bool presentFromViewController(
        const std::shared_ptr<platform::ui::ViewController>& root,
        std::function<void()> completion) = 0;
    // Whether to leave the screen when the application comes back to the foreground.
    virtual bool shouldDismissOnApplicationEnteringForeground() = 0;
    // Leaves the screen; the completion runs once it is gone.
    virtual void relinquishScreenWithCompletion(std::function<void()> completion) = 0;
    // The intermission the participant belongs to now, or nullptr.
    virtual std::shared_ptr<GADIntermission> intermission() const = 0;
};

}  // namespace ads
