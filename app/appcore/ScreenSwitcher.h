#pragma once

// Which screens show and how they are turned: the screen records of the four interface
// orientations (made on first use by the app core's factories and reused), the orientation the
// app is in, the window the screens are shown in, and its animated changes.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "app/appcore/OrientationDependedInfo.h"
#include "platform/base/Geometry.h"
#include "platform/ui/AnimationTransition.h"
#include "platform/ui/InterfaceOrientation.h"

namespace platform::ui {
class View;
class ViewController;
class Window;
}  // namespace platform::ui

namespace app {

class ScreenSwitcher {
  public:
    // The record of an orientation; one the records do not know shares portrait's.
    OrientationDependedInfo& recordFor(platform::ui::InterfaceOrientation orientation);
    // The record at 0..3 (portrait, landscape right, upside down, landscape left); any other
    // index is portrait's.
    OrientationDependedInfo& recordAtIndex(int index);
    OrientationDependedInfo& current() { return recordFor(orientation_); }
    const OrientationDependedInfo& current() const;
    // Forgets every screen, as on a fresh start.
    void clearRecords();
    // Drops the game view of every orientation, so the next game makes one afresh.
    void dropGameViews();

    platform::ui::InterfaceOrientation orientation() const { return orientation_; }
    void setOrientation(platform::ui::InterfaceOrientation o) { orientation_ = o; }
    bool landscape() const { return platform::ui::isLandscape(orientation_); }
    // The suffix of the interface files laid out for the current orientation.
    std::string nibSuffixRotation() const { return landscape() ? "_Landscape" : "_Portrait"; }
    // Turns to what a level's canvas layout asks for (1 landscape, anything else portrait);
    // true when the orientation changed.
    bool turnToCanvasLayout(int32_t layout);

    const std::shared_ptr<platform::ui::Window>& window() const { return window_; }
    void setWindow(std::shared_ptr<platform::ui::Window> w) { window_ = std::move(w); }
    // The window's size, or the main screen's before there is a window.
    platform::Size screenSize() const;
    // Lays the view out over the whole screen turned for the orientation; an orientation that
    // is none of the four leaves the view as it is.
    void applyInterfaceOrientation(platform::ui::InterfaceOrientation orientation,
                                   platform::ui::View& view) const;
    // The window shows the next screen change with this animation.
    void transition(platform::ui::AnimationTransition kind, double duration);
    // The window shows the controller's view (nullptr: none), the game view being drawn on its
    // own.
    void setRootViewController(std::shared_ptr<platform::ui::ViewController> vc);

  private:
    std::array<OrientationDependedInfo, 4> records_;
    platform::ui::InterfaceOrientation orientation_ = platform::ui::OrientationPortrait;
    std::shared_ptr<platform::ui::Window> window_;
};

}  // namespace app
