#include "platform/ui/Switch.h"

namespace platform::ui {

std::shared_ptr<Switch> Switch::create(Rect frame) {
    if (frame.isEmpty()) frame.size = {79, 27};
    return std::make_shared<Switch>(frame);
}

Switch::Switch(Rect frame) : Control(frame) {}

void Switch::setOn(bool on, bool) {
    on_ = on;
}

void Switch::didTapInside() {
    on_ = !on_;
    sendActionsForControlEvents(ControlEventValueChanged);
}

}  // namespace platform::ui
