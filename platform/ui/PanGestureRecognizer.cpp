#include "platform/ui/PanGestureRecognizer.h"

#include <cmath>

#include "platform/ui/Touch.h"
#include "platform/ui/View.h"

namespace platform::ui {

std::shared_ptr<PanGestureRecognizer> PanGestureRecognizer::create(Action a) {
    auto g = std::make_shared<PanGestureRecognizer>();
    if (a) g->addTarget(std::move(a));
    return g;
}

namespace {
// Window offsets into a view's scale: the difference of two converted points.
Point vectorIn(const View* v, Point from, Point to) {
    if (!v) return {to.x - from.x, to.y - from.y};
    Point a = v->convertPointFromView(from, nullptr), b = v->convertPointFromView(to, nullptr);
    return {b.x - a.x, b.y - a.y};
}
}  // namespace

Point PanGestureRecognizer::translationInView(const View* v) const {
    return vectorIn(v, start_, last_);
}

void PanGestureRecognizer::setTranslation(Point t, const View* v) {
    // Move the start so the current place reads as the given translation.
    Point now = vectorIn(v, start_, last_);
    Point shift = vectorIn(nullptr, {}, {now.x - t.x, now.y - t.y});
    if (v) {
        Point o = v->convertPointToView({0, 0}, nullptr);
        Point s = v->convertPointToView({now.x - t.x, now.y - t.y}, nullptr);
        shift = {s.x - o.x, s.y - o.y};
    }
    start_ = {start_.x + shift.x, start_.y + shift.y};
}

Point PanGestureRecognizer::velocityInView(const View* v) const {
    return vectorIn(v, {}, velocity_);
}

void PanGestureRecognizer::touchesBegan(const TouchSet&, const Event& e) {
    if (state() != GestureState::Possible) return;
    start_ = last_ = locationInView(nullptr);
    lastTime_ = e.timestamp();
}

void PanGestureRecognizer::touchesMoved(const TouchSet&, const Event& e) {
    Point p = locationInView(nullptr);
    double dt = e.timestamp() - lastTime_;
    if (dt > 0) velocity_ = {(p.x - last_.x) / dt, (p.y - last_.y) / dt};
    last_ = p;
    lastTime_ = e.timestamp();
    if (state() == GestureState::Possible) {
        if (std::hypot(p.x - start_.x, p.y - start_.y) >= kHysteresis)
            setState(GestureState::Began);
    } else {
        setState(GestureState::Changed);
    }
}

void PanGestureRecognizer::touchesEnded(const TouchSet&, const Event&) {
    if (numberOfTouches() > 1) return;  // another finger still pans
    if (state() == GestureState::Possible)
        setState(GestureState::Failed);
    else
        setState(GestureState::Ended);
}

void PanGestureRecognizer::reset() {
    start_ = last_ = velocity_ = {};
    lastTime_ = 0;
}

}  // namespace platform::ui
