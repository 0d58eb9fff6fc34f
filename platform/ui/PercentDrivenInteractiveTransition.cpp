#include "platform/ui/PercentDrivenInteractiveTransition.h"

#include <algorithm>
#include <cmath>

#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/Timer.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewControllerTransitioning.h"

namespace platform::ui {

namespace {

double between(double a, double b, double t) {
    return a + (b - a) * t;
}

Rect between(const Rect& a, const Rect& b, double t) {
    return {between(a.origin.x, b.origin.x, t), between(a.origin.y, b.origin.y, t),
            between(a.size.width, b.size.width, t), between(a.size.height, b.size.height, t)};
}

}  // namespace

PercentDrivenInteractiveTransition::~PercentDrivenInteractiveTransition() {
    if (timer_) timer_->invalidate();
}

void PercentDrivenInteractiveTransition::startInteractiveTransition(double duration,
                                                                    Completion completion) {
    MOVU_CHECK_MAIN_THREAD();
    if (timer_) timer_->invalidate();
    timer_.reset();
    tracks_.clear();
    duration_ = std::isfinite(duration) && duration > 0 ? duration : 0;
    completion_ = std::move(completion);
    fraction_ = 0;
    started_ = true;
    ended_ = false;
    cancelled_ = false;
}

void PercentDrivenInteractiveTransition::startInteractiveTransition(
    const std::shared_ptr<TransitionContext>& context) {
    MOVU_CHECK_MAIN_THREAD();
    if (context && context->animator()) context->animator()->animateTransition(context);
}

void PercentDrivenInteractiveTransition::addTrack(const std::shared_ptr<View>& view, Rect from,
                                                  Rect to) {
    MOVU_CHECK_MAIN_THREAD();
    if (!view || !isInteractive()) return;
    tracks_.push_back({view, from, to});
    view->setFrame(between(from, to, fraction_));
}

void PercentDrivenInteractiveTransition::updateInteractiveTransition(double fraction) {
    MOVU_CHECK_MAIN_THREAD();
    if (!isInteractive() || std::isnan(fraction)) return;
    fraction_ = std::clamp(fraction, 0.0, 1.0);
    apply(fraction_);
}

void PercentDrivenInteractiveTransition::finishInteractiveTransition() {
    MOVU_CHECK_MAIN_THREAD();
    if (isInteractive()) end(true);
}

void PercentDrivenInteractiveTransition::cancelInteractiveTransition() {
    MOVU_CHECK_MAIN_THREAD();
    if (isInteractive()) end(false);
}

void PercentDrivenInteractiveTransition::apply(double fraction) {
    for (const Track& track : tracks_) {
        if (auto view = track.view.lock()) view->setFrame(between(track.from, track.to, fraction));
    }
}

void PercentDrivenInteractiveTransition::end(bool finished) {
    ended_ = true;
    cancelled_ = !finished;
    apply(finished ? 1.0 : 0.0);
    const double left = duration_ * (finished ? 1.0 - fraction_ : fraction_);
    fraction_ = finished ? 1.0 : 0.0;
    tracks_.clear();
    auto completion = std::move(completion_);
    completion_ = {};
    // A zero wait still completes on a later turn, as every animation does.
    timer_ = Timer::schedule(std::max(left, Timer::kMinimumInterval), false,
                             [completion = std::move(completion), finished] {
                                 if (completion) completion(finished);
                             });
}

}  // namespace platform::ui
