#include "platform/ui/TapGestureRecognizer.h"

#include <cmath>

#include "platform/ui/Touch.h"

namespace platform::ui {

std::shared_ptr<TapGestureRecognizer> TapGestureRecognizer::create(Action a) {
    auto g = std::make_shared<TapGestureRecognizer>();
    if (a) g->addTarget(std::move(a));
    return g;
}

void TapGestureRecognizer::touchesBegan(const TouchSet& t, const Event& e) {
    if (trackedTouches().size() > 1) {
        setState(GestureState::Failed);
        return;
    }
    Point p = t.front()->locationInView(nullptr);
    // A tap too late or too far from the last one does not fail the gesture: the earlier taps
    // are forgotten and this one starts a new count, so a double tap after a pause still works.
    if (taps_ > 0 && (e.timestamp() - lastEnd_ > kMaximumTapInterval ||
                      std::hypot(p.x - start_.x, p.y - start_.y) > kAllowableMovement)) {
        taps_ = 0;
        lastEnd_ = -1;
    }
    start_ = p;
}

void TapGestureRecognizer::touchesMoved(const TouchSet& t, const Event&) {
    Point p = t.front()->locationInView(nullptr);
    if (std::hypot(p.x - start_.x, p.y - start_.y) > kAllowableMovement)
        setState(GestureState::Failed);
}

void TapGestureRecognizer::touchesEnded(const TouchSet& t, const Event& e) {
    Point p = t.front()->locationInView(nullptr);
    if (std::hypot(p.x - start_.x, p.y - start_.y) > kAllowableMovement) {
        setState(GestureState::Failed);
        return;
    }
    if (++taps_ >= tapsRequired_) {
        setState(GestureState::Ended);
        return;
    }
    lastEnd_ = e.timestamp();
}

void TapGestureRecognizer::reset() {
    taps_ = 0;
    lastEnd_ = -1;
}

}  // namespace platform::ui
