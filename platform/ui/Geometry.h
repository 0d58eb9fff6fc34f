#pragma once

// The toolkit works in the base geometry (points, y down) and colours; these helpers are the
// few operations views need on top of them.

#include "platform/base/Color.h"
#include "platform/base/Geometry.h"

namespace platform::ui {

using platform::AffineTransform;
using platform::Color;
using platform::Point;
using platform::Rect;
using platform::Size;

// The linear part of a transform: views transform offsets from their centre.
inline Point applyToVector(const AffineTransform& t, Point p) {
    return {t.a * p.x + t.c * p.y, t.b * p.x + t.d * p.y};
}

}  // namespace platform::ui
