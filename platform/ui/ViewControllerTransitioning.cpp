#include "platform/ui/ViewControllerTransitioning.h"

#include "platform/runtime/ThreadChecker.h"
#include "platform/ui/PercentDrivenInteractiveTransition.h"
#include "platform/ui/ViewController.h"

namespace platform::ui {

std::shared_ptr<TransitionContainerView> TransitionContainerView::create(Rect frame) {
    return std::make_shared<TransitionContainerView>(frame);
}

TransitionContainerView::TransitionContainerView(Rect frame) : View(frame) {
    // Only what the transition lays into it is seen.
    setOpaque(false);
    setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
}

std::shared_ptr<ViewController> TransitionContext::viewControllerForKey(Key key) const {
    return (key == Key::From ? from_ : to_).lock();
}

std::shared_ptr<View> TransitionContext::viewForKey(Key key) const {
    const bool moving = presenting_ ? key == Key::To : key == Key::From;
    if (!moving) return nullptr;
    auto controller = viewControllerForKey(key);
    return controller ? controller->view() : nullptr;
}

void TransitionContext::animate(std::vector<Move> moves, double duration,
                                std::function<void(bool finished)> completion) {
    MOVU_CHECK_MAIN_THREAD();
    if (interactive_) {
        // An interaction controller that is gone can move nothing: the transition is over.
        auto interaction = interaction_.lock();
        if (!interaction) {
            if (completion) completion(false);
            return;
        }
        interaction->startInteractiveTransition(duration, std::move(completion));
        for (const Move& move : moves) interaction->addTrack(move.view, move.from, move.to);
        return;
    }
    for (const Move& move : moves)
        if (move.view) move.view->setFrame(move.from);
    View::animate(
        duration,
        [&moves] {
            for (const Move& move : moves)
                if (move.view) move.view->setFrame(move.to);
        },
        std::move(completion));
}

void TransitionContext::completeTransition(bool didComplete) {
    MOVU_CHECK_MAIN_THREAD();
    if (complete_) return;
    complete_ = true;
    // The platform's step may let go of this context.
    auto step = std::move(onComplete_);
    onComplete_ = nullptr;
    if (step) step(didComplete);
}

}  // namespace platform::ui
