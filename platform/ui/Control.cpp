#include "platform/ui/Control.h"

#include <algorithm>

#include "platform/ui/Touch.h"

namespace platform::ui {

Control::Control(Rect frame) : View(frame) {
    setBackgroundColor(Color::clear());
}

int Control::addTarget(Action action, unsigned events) {
    if (!action || !events) return 0;
    targets_.push_back({nextId_, events, std::move(action)});
    return nextId_++;
}

void Control::removeTarget(int id) {
    targets_.erase(std::remove_if(targets_.begin(), targets_.end(),
                                  [id](const Target& t) { return t.id == id; }),
                   targets_.end());
}

unsigned Control::allControlEvents() const {
    unsigned all = 0;
    for (auto& t : targets_) all |= t.events;
    return all;
}

void Control::sendActionsForControlEvents(unsigned events) {
    // Actions may remove targets or drop this control from its screen; work on a copy and keep
    // ourselves alive.
    auto keep = shared_from_this();
    auto targets = targets_;
    for (auto& t : targets)
        if (t.events & events) t.action(this);
}

unsigned Control::state() const {
    unsigned s = ControlStateNormal;
    if (!enabled_)
        s |= ControlStateDisabled;
    else if (highlighted_)
        s |= ControlStateHighlighted;
    if (selected_) s |= ControlStateSelected;
    return s;
}

void Control::tap() {
    if (!enabled_ || isHidden()) return;
    auto keep = shared_from_this();
    sendActionsForControlEvents(ControlEventTouchDown);
    didTapInside();
    sendActionsForControlEvents(ControlEventTouchUpInside);
}

bool Control::isInsideForTracking(Point p) const {
    Rect b = bounds();
    Rect grown(b.origin.x - kTouchSlop, b.origin.y - kTouchSlop, b.size.width + 2 * kTouchSlop,
               b.size.height + 2 * kTouchSlop);
    return grown.contains(p);
}

void Control::touchesBegan(const TouchSet& t, const Event&) {
    if (!enabled_ || t.empty()) return;
    tracking_ = true;
    wasInside_ = true;
    changeDrawn(highlighted_, true);
    sendActionsForControlEvents(t.front()->tapCount() > 1
                                    ? ControlEventTouchDown | ControlEventTouchDownRepeat
                                    : ControlEventTouchDown);
}

void Control::touchesMoved(const TouchSet& t, const Event&) {
    if (!tracking_ || t.empty()) return;
    bool inside = isInsideForTracking(t.front()->locationInView(this));
    changeDrawn(highlighted_, inside);
    unsigned ev = inside ? ControlEventTouchDragInside : ControlEventTouchDragOutside;
    if (inside != wasInside_) ev |= inside ? ControlEventTouchDragEnter : ControlEventTouchDragExit;
    wasInside_ = inside;
    sendActionsForControlEvents(ev);
}

void Control::touchesEnded(const TouchSet& t, const Event&) {
    if (!tracking_ || t.empty()) return;
    tracking_ = false;
    changeDrawn(highlighted_, false);
    auto keep = shared_from_this();
    if (isInsideForTracking(t.front()->locationInView(this))) {
        didTapInside();
        sendActionsForControlEvents(ControlEventTouchUpInside);
    } else {
        sendActionsForControlEvents(ControlEventTouchUpOutside);
    }
}

void Control::touchesCancelled(const TouchSet&, const Event&) {
    if (!tracking_) return;
    tracking_ = false;
    changeDrawn(highlighted_, false);
    sendActionsForControlEvents(ControlEventTouchCancel);
}

}  // namespace platform::ui
