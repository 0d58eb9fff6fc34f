#include "platform/ui/ActivityIndicator.h"

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
    animating_ = true;
    setHidden(false);
}

void ActivityIndicator::stopAnimating() {
    animating_ = false;
    if (hidesWhenStopped_) setHidden(true);
}

void ActivityIndicator::setHidesWhenStopped(bool h) {
    hidesWhenStopped_ = h;
    if (!animating_) setHidden(h);
}

}  // namespace platform::ui
