#pragma once

// The base of every full-screen controller of the SDK. It never presents itself: a presenter
// (GADOverlayPresenting; the modal one unless another was set) puts it on screen and takes it
// off again, while the controller takes part in its slot's intermission, so the app hears one
// will-present and one will/did-dismiss however many SDK screens come and go.
//
// Main thread only. Life on screen:
//   idle -> presenting (presentFromViewController: interaction off, kept alive by itself,
//   "kAdModalViewControllerWillPresentFullScreen" posted, intermission joined, presenter asked)
//   -> shown (finishAppearing: interaction on, then the caller's completion)
//   -> leaving (relinquishScreenWithCompletion: interaction off, self-reference dropped,
//   intermission told, presenter asked to dismiss, "kAdModalViewControllerDidDismissFullScreen"
//   posted at once)
//   -> idle (finishDismissal once the presenter is done: intermission left, dismissal
//   completion run, then the caller's completion).
// A presentation the presenter refuses is undone on the spot: the app hears the will-dismiss
// and did-dismiss that follow its will-present, and the did-dismiss notification is posted. A
// controller the platform presents or dismisses directly takes part the same way through its
// appearance callbacks.
//
// Who keeps whom: the controller keeps its presenter and its intermission, and itself from the
// start of a presentation until it begins to leave; a dismissal under way keeps it until it
// has finished. The slot is weak. A controller that was shown runs a pending dismissal
// completion and records the dismissal in its ad's statistics when it goes.

#include <cstdint>
#include <functional>
#include <memory>

#include "ads/fullscreen/GADIntermitting.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/ui/ViewController.h"

namespace ads {

class GADFullScreenSlot;
class GADOverlayPresenting;

class GADViewController : public platform::ui::ViewController, public GADIntermitting {
  protected:
    struct Private {};

  public:
    // All four interface orientations.
    static constexpr unsigned kAllOrientations = 30;

    static std::shared_ptr<GADViewController> create();
    // Runs `left` each time `screen`, when it is one of these controllers (an interstitial's,
    // an expanded ad's), begins to leave (its "kAdModalViewControllerDidDismissFullScreen"),
    // for as long as the returned observation lives: what an ad put up over its screen (a
    // question to the player) goes with it. Any other controller (the app's own screen) never
    // leaves for an ad: nothing is observed, and the observation returned is empty.
    static platform::NotificationCenter::Observation observeLeaving(
        const std::shared_ptr<platform::ui::ViewController>& screen, std::function<void()> left);
    explicit GADViewController(Private, std::string nibName = {});
    ~GADViewController() override;

    const char* className() const override { return "GADViewController"; }

    // GADIntermitting. Presenting answers false, doing nothing, while the controller is on
    // screen or on its way; without a root controller it logs "No UIViewController supplied to
    // the ad. Cannot continue."; with a presenter that is not ready it stays silent. In none
    // of these cases does the completion run. An exception from the presenting controller
    // undoes the presentation as a refusal does and passes on.
    bool presentFromViewController(const std::shared_ptr<platform::ui::ViewController>& root,
                                   std::function<void()> completion) override;
    // Does nothing unless the controller is on screen (or on its way there): a second call
    // while leaving is the same dismissal.
    void relinquishScreenWithCompletion(std::function<void()> completion) override;
    bool shouldDismissOnApplicationEnteringForeground() override { return true; }
    std::shared_ptr<GADIntermission> intermission() const override { return intermission_; }

    const std::shared_ptr<GADOverlayPresenting>& presenter() const { return presenter_; }
    // Also tells the presenter that this is the controller it shows.
    void setPresenter(std::shared_ptr<GADOverlayPresenting> presenter);

    std::shared_ptr<GADFullScreenSlot> slot() const { return slot_.lock(); }
    void setSlot(std::weak_ptr<GADFullScreenSlot> slot) { slot_ = std::move(slot); }

    // Runs once when the next dismissal has finished (or when a shown controller goes first).
    const std::function<void()>& dismissalCompletion() const { return dismissalCompletion_; }
    void setDismissalCompletion(std::function<void()> completion) {
        dismissalCompletion_ = std::move(completion);
    }

    // Orientations as a mask (bit 1 << orientation); all four at first. The first setter
    // ignores 0, the second stores anything.
    void setSupportedOrientations(unsigned mask) {
        if (mask) supportedOrientations_ = mask;
    }
    void setSupportedInterfaceOrientations(unsigned mask) { supportedOrientations_ = mask; }
    unsigned supportedInterfaceOrientations() const override { return supportedOrientations_; }
    bool shouldAutorotate() const override { return true; }
    bool prefersStatusBarHidden() const { return true; }
    // The interface turned; subclasses tell their content.
    virtual void viewChangedToOrientation(int orientation) { (void)orientation; }

    // Joins the slot's intermission (made when the slot has none).
    void addToCurrentIntermission();
    // "tlanding_page_load_dismiss" = now in the slot's ad statistics, and the click that led
    // here ("tclickcurr") with now appended to "tclick".
    void recordDismissal();

    // Whether the controller keeps itself alive now (on screen).
    bool isRetainingItself() const { return retainCycle_ != nullptr; }

    // Controllers shown over this one go where the presenter says they must; the presenter's
    // own controller (or none) means this one, with the platform's rules.
    bool presentViewController(const std::shared_ptr<platform::ui::ViewController>& vc,
                               bool animated, std::function<void()> completion = {}) override;
    bool dismissViewController(bool animated, std::function<void()> completion = {}) override;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;

  protected:
    // Hooks for subclasses, which call these first: the controller is on screen; it is gone.
    // Each runs once per presentation.
    virtual void finishAppearing();
    virtual void finishDismissal();

    std::shared_ptr<GADViewController> self();
    // On screen or on its way there, and not leaving.
    bool isOnScreen() const { return phase_ == Phase::Presenting || phase_ == Phase::Shown; }

  private:
    enum class Phase { Idle, Presenting, Shown, Leaving };

    void presentationDidComplete(const std::function<void()>& completion);
    void undoPresentation();
    void dismissalDidFinish();
    std::shared_ptr<platform::ui::ViewController> forwardingTarget();

    Phase phase_ = Phase::Idle;
    bool wasShown_ = false;
    bool postedWillPresent_ = false;
    // The platform itself is dismissing the controller (not a relinquish).
    bool leavingThroughPlatform_ = false;
    std::shared_ptr<GADIntermission> intermission_;
    unsigned supportedOrientations_ = kAllOrientations;
    std::weak_ptr<GADFullScreenSlot> slot_;
    std::shared_ptr<GADViewController> retainCycle_;
    std::shared_ptr<GADOverlayPresenting> presenter_;
    std::function<void()> dismissalCompletion_;
};

}  // namespace ads
