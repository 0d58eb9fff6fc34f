#include "app/appcore/ScreenSwitcher.h"

#include <cmath>

#include "app/gameview/AppGameView.h"
#include "app/gameview/CanvasProjection.h"
#include "app/screens/PauseView.h"
#include "app/screens/SimpleSelectView.h"
#include "app/screens/ViewControllerBase.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"

namespace app {

OrientationDependedInfo& ScreenSwitcher::recordFor(platform::ui::InterfaceOrientation orientation) {
    return records_[OrientationDependedInfo::indexOfInterfaceOrientation(orientation)];
}

OrientationDependedInfo& ScreenSwitcher::recordAtIndex(int index) {
    return records_[index >= 0 && index < 4 ? index : 0];
}

const OrientationDependedInfo& ScreenSwitcher::current() const {
    return records_[OrientationDependedInfo::indexOfInterfaceOrientation(orientation_)];
}

void ScreenSwitcher::clearRecords() {
    for (auto& record : records_) record = OrientationDependedInfo();
}

void ScreenSwitcher::dropGameViews() {
    for (auto& record : records_) record.gameView.reset();
}

bool ScreenSwitcher::turnToCanvasLayout(int32_t layout) {
    const platform::ui::InterfaceOrientation orientation =
        layout == 1 ? platform::ui::OrientationLandscapeRight : platform::ui::OrientationPortrait;
    if (orientation == orientation_) return false;
    orientation_ = orientation;
    return true;
}

platform::Size ScreenSwitcher::screenSize() const {
    return window_ ? window_->bounds().size : platform::ui::Screen::mainScreen().bounds().size;
}

void ScreenSwitcher::applyInterfaceOrientation(platform::ui::InterfaceOrientation orientation,
                                               platform::ui::View& view) const {
    if (orientation < 1 || orientation > 4) return;
    platform::Size s = screenSize();
    double w = s.width;
    double h = s.height;
    platform::Rect bounds =
        orientation <= 2 ? platform::Rect{0, 0, w, h} : platform::Rect{0, 0, h, w};
    view.setBounds(bounds);
    view.setCenter({bounds.size.width / 2, bounds.size.height / 2});
    const int turns = quarterTurns(orientation);
    view.setTransform(turns == 0 ? platform::AffineTransform::identity()
                                 : platform::AffineTransform::rotation(turns * (M_PI / 2)));
}

void ScreenSwitcher::transition(platform::ui::AnimationTransition kind, double duration) {
    if (window_) window_->beginTransition(kind, duration);
}

void ScreenSwitcher::setRootViewController(std::shared_ptr<platform::ui::ViewController> vc) {
    if (window_) window_->setRootViewController(std::move(vc));
}

}  // namespace app
