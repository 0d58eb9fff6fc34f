#include "platform/ui/ActivityIndicator.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/InterfaceProperties.h"
#include "platform/ui/MainThread.h"
#include "platform/ui/Painter.h"

namespace platform::ui {

std::shared_ptr<ActivityIndicator> ActivityIndicator::create(ActivityIndicatorStyle style) {
    double side = style == ActivityIndicatorStyle::WhiteLarge ? 37 : 20;
    auto v = std::make_shared<ActivityIndicator>(Rect(0, 0, side, side));
    v->setStyle(style);
    return v;
}

ActivityIndicator::ActivityIndicator(Rect frame) : View(frame) {
    setBackgroundColor(Color::clear());
    setOpaque(false);
    setHidden(true);
}

void ActivityIndicator::startAnimating() {
    changeDrawn(animating_, true);
    setHidden(false);
}

void ActivityIndicator::stopAnimating() {
    changeDrawn(animating_, false);
    if (hidesWhenStopped_) setHidden(true);
}

void ActivityIndicator::setHidesWhenStopped(bool h) {
    hidesWhenStopped_ = h;
    if (!animating_) setHidden(h);
}

void ActivityIndicator::draw(Painter& painter) {
    if (!animating_) return;
    // Eight spokes, the bright one turning with the clock.
    Rect b = bounds();
    int lit = int(std::fmod(monotonicNow() * 8, 8));
    double r = std::min(b.size.width, b.size.height) / 2;
    Color base = style_ == ActivityIndicatorStyle::Gray ? Color::white(0.4f) : Color::whiteColor();
    for (int i = 0; i < 8; ++i) {
        double a = i * M_PI / 4;
        double cx = b.midX() + std::cos(a) * r * 0.7, cy = b.midY() + std::sin(a) * r * 0.7;
        float spokeAlpha = i == lit ? 1.0f : 0.35f;
        painter.fillRect({cx - r * 0.12, cy - r * 0.12, r * 0.24, r * 0.24},
                         base.withAlpha(spokeAlpha));
    }
}

void ActivityIndicator::applyInterfaceProperties(InterfaceProperties& p) {
    View::applyInterfaceProperties(p);
    if (p.has("style")) {
        std::string st = p.string("style");
        if (st == "whiteLarge")
            setStyle(ActivityIndicatorStyle::WhiteLarge);
        else if (st == "white")
            setStyle(ActivityIndicatorStyle::White);
        else if (st == "gray")
            setStyle(ActivityIndicatorStyle::Gray);
        else
            p.fail("style is whiteLarge, white or gray");
    }
    if (p.has("hidesWhenStopped")) setHidesWhenStopped(p.boolean("hidesWhenStopped"));
    if (p.has("animating") && p.boolean("animating")) startAnimating();
}

}  // namespace platform::ui
