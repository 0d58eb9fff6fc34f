#include "platform/ui/Switch.h"

#include "platform/ui/InterfaceProperties.h"
#include "platform/ui/Painter.h"

namespace platform::ui {

std::shared_ptr<Switch> Switch::create(Rect frame) {
    if (frame.isEmpty()) frame.size = {79, 27};
    return std::make_shared<Switch>(frame);
}

Switch::Switch(Rect frame) : Control(frame) {}

void Switch::setOn(bool on, bool) {
    changeDrawn(on_, on);
}

void Switch::didTapInside() {
    changeDrawn(on_, !on_);
    sendActionsForControlEvents(ControlEventValueChanged);
}

void Switch::draw(Painter& painter) {
    Rect b = bounds();
    Color track = on_ ? Color{0.2f, 0.45f, 0.9f, 1} : Color{0.75f, 0.75f, 0.75f, 1};
    painter.fillRect(b, track);
    double knob = b.size.height - 4;
    double x = on_ ? b.maxX() - 2 - knob : b.origin.x + 2;
    painter.fillRect({x, b.origin.y + 2, knob, knob}, Color::whiteColor());
}

void Switch::applyInterfaceProperties(InterfaceProperties& p) {
    Control::applyInterfaceProperties(p);
    if (p.has("on")) setOn(p.boolean("on"));
    if (p.has("enabled")) setEnabled(p.boolean("enabled"));
    p.bindActions(*this, ControlEventValueChanged);
}

}  // namespace platform::ui
