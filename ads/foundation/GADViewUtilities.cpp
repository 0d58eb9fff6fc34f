#include "ads/foundation/GADViewUtilities.h"

#include "ads/foundation/GADRectUtilities.h"
#include "platform/ui/Screen.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace ads {

std::optional<platform::Value> GADViewUtilities::positionOfView(
    const platform::ui::View& view, const platform::ui::Screen& screen) {
    auto superview = view.superview();
    const platform::ui::Window* window = view.window();
    if (!superview || !window) return std::nullopt;
    const platform::Rect frame = view.frame();
    const platform::Rect inWindow = superview->convertRectToView(frame, nullptr);
    const platform::Rect onScreen = window->convertRectToScreen(inWindow);
    const platform::Rect application = screen.applicationFrame();
    const double x = onScreen.origin.x;
    const double y = onScreen.origin.y;
    const bool visible =
        !(view.isHidden() || x + frame.size.width <= 0 || y + frame.size.height <= 0 ||
          x > application.size.width || y > application.size.height);
    platform::Value position = GADDictionaryFromCGRect(onScreen);
    position.set("visible", visible);
    return position;
}

}  // namespace ads
