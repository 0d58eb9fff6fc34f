#pragma once

// What the SDK asks of any view: how much of it can show, whether its window takes an
// orientation, filling its superview. Main thread, like the views themselves.

#include "platform/base/Geometry.h"
#include "platform/gfx/Image.h"

namespace platform::ui {
class View;
}

namespace ads {

// The part of the view that shows, in window coordinates: its own rectangle cut by the
// window and by every view above it that clips to its bounds, whatever the view's own
// clipping. The zero rectangle while the application is not active, when the view has no
// window, the window or any view on the way is hidden, or nothing is left.
platform::Rect gad_visibleBounds(const platform::ui::View& view);

// Whether the player can see some of the view now: it stands in the key window of the active
// application, and neither it nor a view above it is hidden, faded out or clips it away. Ad
// views wait in a window nobody sees until they are placed, and are never shown there.
bool gad_isShowing(const platform::ui::View& view);

// Whether the orientations the application allows for the view's window share a bit with
// the mask (bit 1 << orientation).
bool gad_supportsOrientations(const platform::ui::View& view, unsigned mask);

// Makes the view cover its superview's content area and follow its size from then on (our
// toolkit lays out by autoresizing, so the view takes flexible width and height). Nothing
// without a superview.
void gad_fillSuperview(platform::ui::View& view);

// A picture of the view and its subviews as they show now, on their own: the view's bounds at
// the main screen's scale, premultiplied RGBA. Empty when there is nothing to draw or no GL
// context is current (the window's context is, on the main thread).
platform::gfx::Image gad_render(platform::ui::View& view);

}  // namespace ads
