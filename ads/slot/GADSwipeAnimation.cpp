#include "ads/slot/GADSwipeAnimation.h"

#include <algorithm>
#include <cmath>

#include "ads/foundation/GADViewAdditions.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/View.h"

namespace ads {

namespace ui = platform::ui;
using platform::Rect;

GADViewControllerFullScreenSwipeAnimation::SnapshotMaker
GADViewControllerFullScreenSwipeAnimation::renderedSnapshot() {
    return [](ui::View& draggable) -> std::shared_ptr<ui::View> {
        auto pixels = std::make_shared<platform::gfx::Image>(gad_render(draggable));
        if (pixels->empty()) return nullptr;
        auto image = std::make_shared<ui::Image>(
            "swipe-snapshot", draggable.bounds().size, pixels,
            double(pixels->width()) / std::max(1.0, draggable.bounds().size.width));
        return ui::ImageView::create(image, draggable.bounds());
    };
}

GADAnimationContext GADViewControllerFullScreenSwipeAnimation::presentation(
    ui::View& container, const std::shared_ptr<ui::View>& moving, bool topToBottom) {
    const Rect c = container.bounds();
    GADAnimationContext context;
    context.animatedView = moving;
    double startYOfMoving = 0;
    bool hasDraggablePart = false;
    if (auto draggable = draggableView.lock()) {
        const Rect d = draggable->convertRectToView(draggable->bounds(), &container);
        context.draggableViewSnapshot = makeSnapshot ? makeSnapshot(*draggable) : nullptr;
        context.draggableViewStartFrame = d;
        context.draggableViewEndFrame = d;
        context.draggableViewEndFrame.origin.y = topToBottom ? c.size.height : -d.size.height;
        draggableViewEndFrameAfterAnimation = context.draggableViewEndFrame;
        draggableViewShownOnPresentation = true;
        startYOfMoving = topToBottom ? d.origin.y - c.size.height : d.origin.y + d.size.height;
        hasDraggablePart = true;
    }
    if (!hasDraggablePart || removeDraggableViewAnimationIfInvalidForAnimationContext(context)) {
        // The sheet's edge starts at the finger.
        startYOfMoving = topToBottom ? startY - c.size.height : startY;
        draggableViewShownOnPresentation = false;
    }
    context.animatedViewStartFrame = {c.origin.x, startYOfMoving, c.size.width, c.size.height};
    animatedViewFrameBeforeAnimation = context.animatedViewStartFrame;
    context.animatedViewEndFrame = c;
    return context;
}

GADAnimationContext
GADViewControllerFullScreenSwipeAnimation::animationContextForTopToBottomAnimationPresentation(
    ui::View& container, const std::shared_ptr<ui::View>& moving) {
    return presentation(container, moving, true);
}

GADAnimationContext
GADViewControllerFullScreenSwipeAnimation::animationContextForBottomToTopAnimationPresentation(
    ui::View& container, const std::shared_ptr<ui::View>& moving) {
    return presentation(container, moving, false);
}

GADAnimationContext
GADViewControllerFullScreenSwipeAnimation::animationContextForRestoringAnimationToSavedState(
    ui::View& container, const std::shared_ptr<ui::View>& moving) {
    GADAnimationContext context;
    context.animatedView = moving;
    auto draggable = draggableView.lock();
    if (draggable && draggableViewShownOnPresentation) {
        context.draggableViewEndFrame =
            draggable->convertRectToView(draggable->bounds(), &container);
        context.draggableViewStartFrame = draggableViewEndFrameAfterAnimation;
        context.draggableViewSnapshot = makeSnapshot ? makeSnapshot(*draggable) : nullptr;
    }
    removeDraggableViewAnimationIfInvalidForAnimationContext(context);
    context.animatedViewStartFrame = moving ? moving->frame() : Rect{};
    context.animatedViewEndFrame = animatedViewFrameBeforeAnimation;
    return context;
}

bool GADViewControllerFullScreenSwipeAnimation::
    removeDraggableViewAnimationIfInvalidForAnimationContext(GADAnimationContext& context) {
    auto draggable = draggableView.lock();
    const platform::Size size = draggable ? draggable->bounds().size : platform::Size{};
    if (context.draggableViewStartFrame.size == size && context.draggableViewEndFrame.size == size)
        return false;
    context.draggableViewSnapshot.reset();
    context.draggableViewStartFrame = {};
    context.draggableViewEndFrame = {};
    draggableViewEndFrameAfterAnimation = {};
    return true;
}

void GADViewControllerFullScreenSwipeAnimation::animateTransition(
    const std::shared_ptr<ui::TransitionContext>& context) {
    MOVU_CHECK_MAIN_THREAD();
    using Key = ui::TransitionContext::Key;
    auto& container = *context->containerView();
    auto from = context->viewForKey(Key::From);
    auto to = context->viewForKey(Key::To);
    // The moving controller's view goes on top.
    auto& below = presenting ? from : to;
    auto& moving = presenting ? to : from;
    if (below) container.addSubview(below);
    if (moving) container.addSubview(moving);
    const bool topToBottom = direction == GADSwipeDirection::TopToBottom;
    GADAnimationContext geometry =
        !presenting   ? animationContextForRestoringAnimationToSavedState(container, moving)
        : topToBottom ? animationContextForTopToBottomAnimationPresentation(container, moving)
                      : animationContextForBottomToTopAnimationPresentation(container, moving);
    std::vector<ui::TransitionContext::Move> moves;
    if (geometry.draggableViewSnapshot) {
        container.insertSubviewBelow(geometry.draggableViewSnapshot, moving);
        moves.push_back({geometry.draggableViewSnapshot, geometry.draggableViewStartFrame,
                         geometry.draggableViewEndFrame});
    }
    moves.push_back({moving, geometry.animatedViewStartFrame, geometry.animatedViewEndFrame});
    context->animate(std::move(moves), duration,
                     [context](bool finished) { context->completeTransition(finished); });
}

bool GADPercentDrivenUserInteractionAnimationController::isAnimatingTopToBottom() const {
    const auto& a = *transitionAnimation_;
    return (a.presenting && a.direction == GADSwipeDirection::TopToBottom) ||
           (!a.presenting && a.direction == GADSwipeDirection::BottomToTop);
}

double GADPercentDrivenUserInteractionAnimationController::progress(double y,
                                                                    double screenHeight) const {
    const double startY = transitionAnimation_->startY;
    const bool topToBottom = transitionAnimation_->direction == GADSwipeDirection::TopToBottom;
    const double numerator = topToBottom ? y - startY : startY - y;
    const double denominator = topToBottom ? screenHeight - startY : startY;
    if (denominator == 0 || !std::isfinite(numerator / denominator)) return 0;
    return std::clamp(numerator / denominator, 0.0, 1.0);
}

void GADPercentDrivenUserInteractionAnimationController::handlePanGesture(ui::GestureState state,
                                                                          double y,
                                                                          double velocityY,
                                                                          double screenHeight) {
    MOVU_CHECK_MAIN_THREAD();
    switch (state) {
        case ui::GestureState::Began:
        case ui::GestureState::Possible:
            return;
        case ui::GestureState::Changed:
            updateInteractiveTransition(progress(y, screenHeight));
            return;
        case ui::GestureState::Ended: {
            const bool finish = isAnimatingTopToBottom() ? velocityY > 0 : velocityY < 0;
            if (finish) {
                finishInteractiveTransition();
                if (auto d = delegate_.lock())
                    d->animationControllerDidFinishAnimationTransition(*this);
                return;
            }
            break;
        }
        case ui::GestureState::Cancelled:
        case ui::GestureState::Failed:
            break;
    }
    cancelInteractiveTransition();
    if (auto d = delegate_.lock()) d->animationControllerDidCancelAnimationTransition(*this);
}

std::shared_ptr<ui::ViewControllerAnimatedTransitioning>
GADPercentDrivenUserInteractionAnimationController::animationControllerForPresentedController(
    const std::shared_ptr<ui::ViewController>&, const std::shared_ptr<ui::ViewController>&,
    const std::shared_ptr<ui::ViewController>&) {
    transitionAnimation_->willAnimatePresentation();
    return transitionAnimation_;
}

std::shared_ptr<ui::ViewControllerAnimatedTransitioning>
GADPercentDrivenUserInteractionAnimationController::animationControllerForDismissedController(
    const std::shared_ptr<ui::ViewController>&) {
    transitionAnimation_->willAnimateDismissal();
    return transitionAnimation_;
}

}  // namespace ads
