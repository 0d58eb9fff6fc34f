#pragma once

// Where an ad's view sits on the screen, as the SDK core and the server read it.

#include <optional>

#include "platform/base/Value.h"

namespace platform::ui {
class View;
class Screen;
}  // namespace platform::ui

namespace ads {

class GADViewUtilities {
  public:
    // {"x", "y", "width", "height"} of the view's frame in screen coordinates, and "visible":
    // false when the view is hidden or lies wholly left of or above the screen, or starts
    // beyond the application frame's width or height. Nothing without a superview or a
    // window. Main thread.
    static std::optional<platform::Value> positionOfView(const platform::ui::View& view,
                                                         const platform::ui::Screen& screen);
};

}  // namespace ads
