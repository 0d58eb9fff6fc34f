#include "platform/ui/Touch.h"

#include <algorithm>

#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform::ui {

Touch::Touch(long id, Point windowLocation, double timestamp)
    : id_(id), location_(windowLocation), previous_(windowLocation), timestamp_(timestamp) {}

Point Touch::locationInView(const View* v) const {
    return v ? v->convertPointFromView(location_, nullptr) : location_;
}

Point Touch::previousLocationInView(const View* v) const {
    return v ? v->convertPointFromView(previous_, nullptr) : previous_;
}

Window* Touch::window() const {
    return dynamic_cast<Window*>(window_.lock().get());
}

void Touch::update(TouchPhase phase, Point windowLocation, double timestamp) {
    phase_ = phase;
    previous_ = location_;
    location_ = windowLocation;
    timestamp_ = timestamp;
}

TouchSet Event::touchesForView(const View* v) const {
    TouchSet out;
    for (auto& t : touches_)
        if (t->view().get() == v) out.push_back(t);
    return out;
}

void Event::addTouch(std::shared_ptr<Touch> t) {
    if (std::find(touches_.begin(), touches_.end(), t) == touches_.end())
        touches_.push_back(std::move(t));
}

void Event::removeTouch(const Touch* t) {
    touches_.erase(
        std::remove_if(touches_.begin(), touches_.end(), [t](auto& p) { return p.get() == t; }),
        touches_.end());
}

}  // namespace platform::ui
