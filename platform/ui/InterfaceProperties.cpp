#include "platform/ui/InterfaceProperties.h"

#include <cmath>
#include <cstdlib>
#include <map>

#include "platform/ui/Control.h"

namespace platform::ui {

void InterfaceProperties::fail(const std::string& what) {
    raise(what);
    std::abort();
}

int InterfaceProperties::integer(const std::string& key, double lo, double hi) {
    // A tag beyond int would not survive the conversion.
    double d = number(key);
    if (d != std::floor(d) || d < lo || d > hi) fail("expected a whole number in range");
    return int(d);
}

std::vector<double> InterfaceProperties::numbers(const std::string& key, std::size_t count) {
    std::string expected = "expected an array of " + std::to_string(count) + " numbers";
    auto values = numberArray(key, expected);
    if (values.size() != count) fail(expected);
    for (double d : values)
        if (std::fabs(d) > 100000) fail("a coordinate or size beyond 100000 points");
    return values;
}

Rect InterfaceProperties::rect(const std::string& key) {
    auto f = numbers(key, 4);
    return {f[0], f[1], f[2], f[3]};
}

Size InterfaceProperties::size(const std::string& key) {
    auto s = numbers(key, 2);
    return {s[0], s[1]};
}

Color InterfaceProperties::color(const std::string& key) {
    const std::string expected = "a colour is [r, g, b] or [r, g, b, a]";
    auto values = numberArray(key, expected);
    if (values.size() != 3 && values.size() != 4) fail(expected);
    float c[4] = {0, 0, 0, 1};
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!(values[i] >= 0 && values[i] <= 1)) fail("colour components lie in 0..1");
        c[i] = float(values[i]);
    }
    return {c[0], c[1], c[2], c[3]};
}

TextAlignment InterfaceProperties::alignment(const std::string& key) {
    std::string a = string(key);
    if (a == "left") return TextAlignment::Left;
    if (a == "center") return TextAlignment::Center;
    if (a == "right") return TextAlignment::Right;
    fail("alignment is left, center or right");
}

Font InterfaceProperties::font(Font f) {
    if (has("fontSize")) {
        f.size = number("fontSize");
        if (!(f.size >= 1 && f.size <= 200)) fail("fontSize must lie in 1..200");
    }
    if (has("bold")) f.bold = boolean("bold");
    return f;
}

ImagePtr InterfaceProperties::image(const std::string& key) {
    std::string name = string(key);
    return name.empty() ? nullptr : picture(name);
}

unsigned InterfaceProperties::controlState(const std::string& name) {
    if (name == "normal") return ControlStateNormal;
    if (name == "highlighted") return ControlStateHighlighted;
    if (name == "selected") return ControlStateSelected;
    if (name == "disabled") return ControlStateDisabled;
    fail("unknown control state " + name);
}

void InterfaceProperties::bindActions(Control& control, unsigned defaultEvent) {
    static const std::map<std::string, unsigned> events = {
        {"touchDown", ControlEventTouchDown},
        {"touchUpInside", ControlEventTouchUpInside},
        {"touchUpOutside", ControlEventTouchUpOutside},
        {"touchCancel", ControlEventTouchCancel},
        {"valueChanged", ControlEventValueChanged},
    };
    auto bind = [&](const std::string& name, unsigned event) {
        if (auto call = action(name)) control.addTarget(std::move(call), event);
    };
    if (has("action")) bind(string("action"), defaultEvent);
    if (has("actions")) {
        for (auto& [event, name] :
             strings("actions", "\"actions\" maps control events to action names")) {
            auto it = events.find(event);
            if (it == events.end()) fail("unknown control event " + event);
            bind(name, it->second);
        }
    }
}

}  // namespace platform::ui
