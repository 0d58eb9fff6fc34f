#include "platform/ui/TouchInput.h"

#include "platform/ui/Compositor.h"

#include <SDL2/SDL.h>

#include <cmath>

#include "platform/ui/MainThread.h"
#include "platform/ui/Window.h"

namespace platform::ui {

TouchInput::TouchInput(std::weak_ptr<Window> window) : window_(std::move(window)) {}

void TouchInput::setViewportSize(int width, int height) {
    viewportW_ = width;
    viewportH_ = height;
}

Point TouchInput::toPoints(double x, double y) const {
    auto w = window_.lock();
    if (!w || viewportW_ <= 0 || viewportH_ <= 0) return {x, y};
    // The picture is letterboxed in a window of another shape; the bars map outside it.
    Size s = w->bounds().size;
    Rect shown = Compositor::letterbox(s, viewportW_, viewportH_);
    if (shown.size.width <= 0 || shown.size.height <= 0) return {x, y};
    return {(x - shown.origin.x) * s.width / shown.size.width,
            (y - shown.origin.y) * s.height / shown.size.height};
}

bool TouchInput::handleEvent(const SDL_Event& e) {
    switch (e.type) {
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            // Touch screens also send mouse events; the finger events already stand for them.
            if (e.button.which == SDL_TOUCH_MOUSEID || e.button.button != SDL_BUTTON_LEFT)
                return true;
            if (e.type == SDL_MOUSEBUTTONDOWN)
                touchDown(kMouseTouchId, toPoints(e.button.x, e.button.y));
            else
                touchUp(kMouseTouchId, toPoints(e.button.x, e.button.y));
            return true;
        case SDL_MOUSEMOTION:
            if (e.motion.which == SDL_TOUCH_MOUSEID) return true;
            if (active_.count(kMouseTouchId))
                touchMove(kMouseTouchId, toPoints(e.motion.x, e.motion.y));
            return true;
        case SDL_FINGERDOWN:
        case SDL_FINGERMOTION:
        case SDL_FINGERUP: {
            auto w = window_.lock();
            Size s = w ? w->bounds().size : Size{};
            Point p{double(e.tfinger.x) * s.width, double(e.tfinger.y) * s.height};
            // Finger ids are non-negative; keep them clear of the mouse's.
            long id = long(e.tfinger.fingerId & 0x7fffffff);
            if (e.type == SDL_FINGERDOWN)
                touchDown(id, p);
            else if (e.type == SDL_FINGERMOTION)
                touchMove(id, p);
            else
                touchUp(id, p);
            return true;
        }
        default:
            return false;
    }
}

void TouchInput::dispatch() {
    auto w = window_.lock();
    event_.setTimestamp(monotonicNow());
    if (w) w->sendEvent(event_);
}

void TouchInput::touchDown(long id, Point p) {
    if (active_.count(id)) return;  // a lost up: keep the touch we have
    double now = monotonicNow();
    auto t = std::make_shared<Touch>(id, p, now);
    bool repeat = lastUpTime_ >= 0 && now - lastUpTime_ <= 0.35 &&
                  std::hypot(p.x - lastUpPoint_.x, p.y - lastUpPoint_.y) <= 10;
    t->setTapCount(repeat ? lastTapCount_ + 1 : 1);
    for (auto& [_, other] : active_)
        other->update(TouchPhase::Stationary, other->locationInView(nullptr), now);
    active_[id] = t;
    event_.addTouch(t);
    dispatch();
}

void TouchInput::touchMove(long id, Point p) {
    auto it = active_.find(id);
    if (it == active_.end()) return;
    double now = monotonicNow();
    for (auto& [key, t] : active_)
        if (key != id) t->update(TouchPhase::Stationary, t->locationInView(nullptr), now);
    it->second->update(TouchPhase::Moved, p, now);
    dispatch();
}

void TouchInput::touchUp(long id, Point p) {
    finish(TouchPhase::Ended, id, p);
}

void TouchInput::finish(TouchPhase phase, long id, Point p) {
    auto it = active_.find(id);
    if (it == active_.end()) return;
    double now = monotonicNow();
    auto t = it->second;
    for (auto& [key, other] : active_)
        if (key != id) other->update(TouchPhase::Stationary, other->locationInView(nullptr), now);
    t->update(phase, p, now);
    dispatch();
    event_.removeTouch(t.get());
    active_.erase(id);
    if (phase == TouchPhase::Ended) {
        lastUpPoint_ = p;
        lastUpTime_ = now;
        lastTapCount_ = t->tapCount();
    }
}

void TouchInput::cancelAll() {
    if (active_.empty()) return;
    double now = monotonicNow();
    for (auto& [_, t] : active_) t->update(TouchPhase::Cancelled, t->locationInView(nullptr), now);
    dispatch();
    for (auto& [_, t] : active_) event_.removeTouch(t.get());
    active_.clear();
}

}  // namespace platform::ui
