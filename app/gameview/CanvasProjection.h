#pragma once

// How the game's canvas lands on the screen: scaled to fit with its shape kept (the rest of the
// screen split evenly on both sides) and turned for the interface orientation. The one rule of
// turning, quarterTurns(), also turns the tilt for the player and the screens' views.

#include <optional>

#include "platform/base/Geometry.h"
#include "platform/ui/InterfaceOrientation.h"

namespace app {

// Quarter turns from portrait: 1 landscape right, 2 upside down, -1 landscape left, 0 portrait
// and anything unknown.
int quarterTurns(platform::ui::InterfaceOrientation orientation);

// (x, y) as seen in the orientation: each quarter turn maps (x, y) to (-y, x).
platform::Point turnedFor(platform::ui::InterfaceOrientation orientation, platform::Point p);

class CanvasProjection {
  public:
    // A view that does not turn with the system (`turnDisabled`) keeps portrait's projection.
    CanvasProjection(platform::ui::InterfaceOrientation orientation, bool turnDisabled)
        : turns_(turnDisabled ? 0 : quarterTurns(orientation)) {}

    // The canvas lies on its side on the screen.
    bool sideways() const { return turns_ == 1 || turns_ == -1; }

    // The view's frame for a scene of this size on a screen of that size.
    platform::Rect letterbox(platform::Size scene, platform::Size screen) const;

    // The orthographic projection of a canvas and the turn applied after it; nothing to apply
    // when the size is empty.
    struct GlProjection {
        float width = 0;
        float height = 0;
        float translateX = 0;
        float translateY = 0;
        float degrees = 0;  // about z; 0 is no turn
    };
    std::optional<GlProjection> glProjection(platform::Size canvas) const;

    // A point of the view's own coordinates (its size `viewSize` as the canvas sees it) on the
    // canvas: turned back, then scaled to the scene when there is one of a size.
    platform::Point toCanvas(platform::Point p, platform::Size viewSize,
                             std::optional<platform::Size> scene) const;

  private:
    int turns_;
};

}  // namespace app
