#pragma once

// Where an MRAID creative wants its close area: one of seven positions around the content
// (the creative names them, "top-right" by default), each a 50 x 50 point square that keeps
// to its corner or edge as the content grows. Full-screen ad controllers place their close
// button by it when the creative draws its own close control.

#include <cstdint>

#include "platform/ui/Geometry.h"

namespace ads {

// The creative's "customClosePosition" values; pages and stored properties use the numbers.
enum class GADMRAIDClosePosition : std::int64_t {
    TopRight = 0,
    TopCenter = 1,
    TopLeft = 2,
    Center = 3,
    BottomRight = 4,
    BottomCenter = 5,
    BottomLeft = 6,
};

class GADMRAIDResizeProperties {
  public:
    static constexpr double kCloseButtonSide = 50;

    // The close area for content shown in `contentFrame`; a position outside the table sits
    // at the content's top-left corner.
    static platform::Rect closeButtonRectForPosition(std::int64_t position,
                                                     platform::Rect contentFrame);
    // The autoresizing bits that keep the close area at its corner or edge; none for a
    // position outside the table.
    static unsigned autoresizingMaskForClosePosition(std::int64_t position);
};

}  // namespace ads
