#pragma once

// Presentations and dismissals whose moves the presented controller's transitioning delegate
// draws itself. The delegate names an animator for each, and, for a presentation a finger
// drives, an interaction controller (PercentDrivenInteractiveTransition) that the animator's
// moves follow. Only animated presentations and dismissals ask it; the others keep the
// platform's own way (docs/presentation.md).
//
// Each such presentation lays the presented view into a container of its own, a view that
// fills the window, stands with the presented views and goes when the controller is dismissed
// or the presentation is cancelled. Whatever an animator adds to the container (a picture of
// a view it moves, say) therefore leaves the screen with the transition.
//
// Main thread only.

#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/View.h"

namespace platform::ui {

class PercentDrivenInteractiveTransition;
class TransitionContext;
class ViewController;

class ViewControllerAnimatedTransitioning {
  public:
    virtual ~ViewControllerAnimatedTransitioning() = default;
    virtual double transitionDuration(const TransitionContext& context) const = 0;
    // Moves the views (TransitionContext::animate) and ends with completeTransition.
    virtual void animateTransition(const std::shared_ptr<TransitionContext>& context) = 0;
};

class ViewControllerTransitioningDelegate {
  public:
    virtual ~ViewControllerTransitioningDelegate() = default;
    virtual std::shared_ptr<ViewControllerAnimatedTransitioning>
    animationControllerForPresentedController(const std::shared_ptr<ViewController>& presented,
                                              const std::shared_ptr<ViewController>& presenting,
                                              const std::shared_ptr<ViewController>& source) {
        (void)presented, (void)presenting, (void)source;
        return nullptr;
    }
    virtual std::shared_ptr<ViewControllerAnimatedTransitioning>
    animationControllerForDismissedController(const std::shared_ptr<ViewController>& dismissed) {
        (void)dismissed;
        return nullptr;
    }
    virtual std::shared_ptr<PercentDrivenInteractiveTransition>
    interactionControllerForPresentation(
        const std::shared_ptr<ViewControllerAnimatedTransitioning>& animator) {
        (void)animator;
        return nullptr;
    }
    virtual std::shared_ptr<PercentDrivenInteractiveTransition> interactionControllerForDismissal(
        const std::shared_ptr<ViewControllerAnimatedTransitioning>& animator) {
        (void)animator;
        return nullptr;
    }
};

// The view a custom presentation lays the presented view into.
class TransitionContainerView : public View {
  public:
    static std::shared_ptr<TransitionContainerView> create(Rect frame);
    explicit TransitionContainerView(Rect frame);
    const char* className() const override { return "UITransitionView"; }
};

class TransitionContext {
  public:
    enum class Key { From, To };
    struct Move {
        std::shared_ptr<View> view;
        Rect from;
        Rect to;
    };

    const std::shared_ptr<TransitionContainerView>& containerView() const { return container_; }
    std::shared_ptr<ViewController> viewControllerForKey(Key key) const;
    // The presented controller's view (To while presenting, From while dismissing). The other
    // controller's view stays where it stands in the window and is never lent to the
    // container, so its key gives nothing.
    std::shared_ptr<View> viewForKey(Key key) const;
    bool isPresentation() const { return presenting_; }
    bool isInteractive() const { return interactive_; }
    const std::shared_ptr<ViewControllerAnimatedTransitioning>& animator() const {
        return animator_;
    }

    // Moves each view from its first frame to its second: over `duration` seconds on the
    // clock, or, in an interactive transition, as far as its interaction controller says. The
    // completion hears whether the moves reached their end (false: the finger cancelled).
    void animate(std::vector<Move> moves, double duration,
                 std::function<void(bool finished)> completion);
    // The animator's last word: a presentation that did not complete is undone, a dismissal
    // that did not complete leaves the controller presented. Only the first call counts.
    void completeTransition(bool didComplete);
    bool isComplete() const { return complete_; }

  private:
    friend class ViewController;
    TransitionContext() = default;

    bool presenting_ = true;
    bool complete_ = false;
    std::weak_ptr<ViewController> from_;
    std::weak_ptr<ViewController> to_;
    std::shared_ptr<TransitionContainerView> container_;
    std::shared_ptr<ViewControllerAnimatedTransitioning> animator_;
    // Weak: the interaction controller keeps this context (through the moves' completion)
    // until the finger lets go.
    std::weak_ptr<PercentDrivenInteractiveTransition> interaction_;
    bool interactive_ = false;
    std::function<void(bool didComplete)> onComplete_;
};

}  // namespace platform::ui
