#pragma once

// The two halves of a swipe that opens a store sheet over the app, written so the slot can drive
// them with a pan gesture:
//
// GADViewControllerFullScreenSwipeAnimation is the store sheet's animator for both ways
// (the platform's custom transitions, ViewControllerTransitioning.h). It builds each move's
// geometry (GADAnimationContext) in the transition container's coordinates, C its bounds and D
// the draggable view's bounds in it:
//   presenting top to bottom: the sheet from above (its bottom edge on the draggable view's
//     top, D.y - C.height, or at the finger, startY - C.height, without a valid draggable part)
//     to C; the draggable view's picture pushed from D down to y = C.height;
//   presenting bottom to top (any other direction): the sheet from below (D.y + D.height, or
//     startY) to C; the picture pushed up to y = -D.height;
//   dismissing (either way): the presentation replayed backwards from what it saved, a fresh
//     picture of the draggable view coming back to D.
// A draggable part is valid only when both its frames have exactly the draggable view's bounds
// size (a view under a scaling transform has not): otherwise it is dropped and the sheet starts
// at the finger. The pictures go into the transition's container, so they leave the screen
// with it: when a cancelled presentation is undone, or once the sheet is dismissed.
//
// GADPercentDrivenUserInteractionAnimationController is the sheet's transitioning delegate and
// the presentation's interaction controller; the dismissal runs as a plain animation. It
// follows the finger: with y the finger's height in the window and H the screen's, the
// progress is (y - startY) / (H - startY) top to bottom and (startY - y) / startY otherwise (a
// zero denominator gives 0; clamped to 0..1). Letting go finishes when the finger moves the
// way of the sheet (down while presenting top to bottom or dismissing bottom to top; up
// otherwise), else cancels (a speed of 0 cancels). A began gesture is no cancellation;
// cancelled and failed ones are. Its delegate hears each finish and cancel.
//
// Main thread only. The interaction controller owns the animator; views are held weakly.

#include <functional>
#include <memory>

#include "ads/foundation/GADSwipeToViewControllerConfigurations.h"
#include "platform/base/Geometry.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/PercentDrivenInteractiveTransition.h"
#include "platform/ui/ViewControllerTransitioning.h"

namespace platform::ui {
class View;
}

namespace ads {

struct GADAnimationContext {
    std::shared_ptr<platform::ui::View> animatedView;
    platform::Rect animatedViewStartFrame;
    platform::Rect animatedViewEndFrame;
    platform::Rect draggableViewStartFrame;
    platform::Rect draggableViewEndFrame;
    // A picture of the draggable view moved in its place, or none.
    std::shared_ptr<platform::ui::View> draggableViewSnapshot;
};

class GADViewControllerFullScreenSwipeAnimation
    : public platform::ui::ViewControllerAnimatedTransitioning {
  public:
    // Makes the picture of the draggable view that moves instead of it (tests give their own).
    using SnapshotMaker =
        std::function<std::shared_ptr<platform::ui::View>(platform::ui::View& draggable)>;
    static SnapshotMaker renderedSnapshot();

    bool presenting = false;
    bool draggableViewShownOnPresentation = false;
    GADSwipeDirection direction = GADSwipeDirection::None;
    double startY = 0;
    std::weak_ptr<platform::ui::View> draggableView;
    double duration = GADSwipeToViewControllerConfigurations::kDefaultDuration;
    platform::Rect draggableViewEndFrameAfterAnimation;
    platform::Rect animatedViewFrameBeforeAnimation;
    SnapshotMaker makeSnapshot = renderedSnapshot();

    void willAnimatePresentation() { presenting = true; }
    void willAnimateDismissal() { presenting = false; }

    GADAnimationContext animationContextForTopToBottomAnimationPresentation(
        platform::ui::View& container, const std::shared_ptr<platform::ui::View>& moving);
    GADAnimationContext animationContextForBottomToTopAnimationPresentation(
        platform::ui::View& container, const std::shared_ptr<platform::ui::View>& moving);
    GADAnimationContext animationContextForRestoringAnimationToSavedState(
        platform::ui::View& container, const std::shared_ptr<platform::ui::View>& moving);
    // True, with the draggable part dropped, when it is invalid.
    bool removeDraggableViewAnimationIfInvalidForAnimationContext(GADAnimationContext& context);

    double transitionDuration(const platform::ui::TransitionContext&) const override {
        return duration;
    }
    // Puts the moving view (and the picture of the draggable view) on top in the transition's
    // container and moves them; completes the transition unless the finger cancelled it.
    void animateTransition(
        const std::shared_ptr<platform::ui::TransitionContext>& context) override;

  private:
    GADAnimationContext presentation(platform::ui::View& container,
                                     const std::shared_ptr<platform::ui::View>& moving,
                                     bool topToBottom);
};

class GADPercentDrivenUserInteractionAnimationControllerDelegate {
  public:
    virtual ~GADPercentDrivenUserInteractionAnimationControllerDelegate() = default;
    virtual void animationControllerDidFinishAnimationTransition(
        class GADPercentDrivenUserInteractionAnimationController&) = 0;
    virtual void animationControllerDidCancelAnimationTransition(
        GADPercentDrivenUserInteractionAnimationController&) = 0;
};

class GADPercentDrivenUserInteractionAnimationController
    : public platform::ui::PercentDrivenInteractiveTransition,
      public platform::ui::ViewControllerTransitioningDelegate {
  public:
    explicit GADPercentDrivenUserInteractionAnimationController(
        std::shared_ptr<GADViewControllerFullScreenSwipeAnimation> animation)
        : transitionAnimation_(std::move(animation)) {}

    const std::shared_ptr<GADViewControllerFullScreenSwipeAnimation>& transitionAnimation() const {
        return transitionAnimation_;
    }
    void setDelegate(std::weak_ptr<GADPercentDrivenUserInteractionAnimationControllerDelegate> d) {
        delegate_ = std::move(d);
    }

    bool isAnimatingTopToBottom() const;
    bool isAnimatingBottomToTop() const { return !isAnimatingTopToBottom(); }
    // The progress of a finger at y, for a screen `screenHeight` high.
    double progress(double y, double screenHeight) const;
    // One gesture state with the finger's height and vertical speed in the window.
    void handlePanGesture(platform::ui::GestureState state, double y, double velocityY,
                          double screenHeight);

    // As the sheet's transitioning delegate.
    std::shared_ptr<platform::ui::ViewControllerAnimatedTransitioning>
    animationControllerForPresentedController(
        const std::shared_ptr<platform::ui::ViewController>& presented,
        const std::shared_ptr<platform::ui::ViewController>& presenting,
        const std::shared_ptr<platform::ui::ViewController>& source) override;
    std::shared_ptr<platform::ui::ViewControllerAnimatedTransitioning>
    animationControllerForDismissedController(
        const std::shared_ptr<platform::ui::ViewController>& dismissed) override;
    std::shared_ptr<platform::ui::PercentDrivenInteractiveTransition>
    interactionControllerForPresentation(
        const std::shared_ptr<platform::ui::ViewControllerAnimatedTransitioning>&) override {
        return shared_from_this();
    }

  private:
    std::shared_ptr<GADViewControllerFullScreenSwipeAnimation> transitionAnimation_;
    std::weak_ptr<GADPercentDrivenUserInteractionAnimationControllerDelegate> delegate_;
};

}  // namespace ads
