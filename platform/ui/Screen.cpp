#include "platform/ui/Screen.h"

#include "platform/ui/Application.h"

namespace platform::ui {

Screen& Screen::mainScreen() {
    static Screen screen;
    return screen;
}

Rect Screen::applicationFrame() const {
    Rect r = bounds();
    if (!Application::shared().isStatusBarHidden()) {
        r.origin.y += kStatusBarHeight;
        r.size.height -= kStatusBarHeight;
    }
    return r;
}

void Screen::reset() {
    size_ = {320, 480};
    scale_ = 1;
}

}  // namespace platform::ui
