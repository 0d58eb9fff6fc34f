#pragma once

// An MRAID creative's resize properties: the size it wants and its offset from the banner's
// superview's top-left corner, where its close area goes, and whether it may reach beyond the
// visible application frame. Read from the page's "resize" parameters (all six keys or
// nothing). Sizes must be finite, above 0 and at most kMaxSide points, offsets finite: other
// values are kept (so reports can name them) but never valid, so no absurd web view is made.
//
// Where the close area goes: one of seven positions around the content (the creative names
// them, "top-right" by default), each a 50 x 50 point square that keeps to its corner or edge
// as the content grows. Full-screen ad controllers place their close button by it when the
// creative draws its own close control.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/base/Value.h"
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
    static constexpr double kMaxSide = 4096;

    // From the page's parameters: none unless "width", "height", "offsetX", "offsetY",
    // "customClosePosition" and "allowOffscreen" are all there. Numbers read as the platform
    // reads them from text (no number: 0); an unknown close position is top-right.
    static std::optional<GADMRAIDResizeProperties> MRAIDResizePropertiesWithDictionary(
        const platform::Value::Dictionary& parameters);

    platform::Size size{};
    // dx, dy from the reference view's top-left corner.
    platform::Point offset{};
    std::int64_t customClosePosition = 0;
    bool allowOffscreen = false;

    platform::Rect contentFrame() const { return {offset, size}; }
    // Finite values, sizes in (0, kMaxSide].
    bool isWellFormed() const;
    // The values, as reports show them.
    std::string description() const;
    // "(null)" for no properties.
    static std::string description(const std::optional<GADMRAIDResizeProperties>& properties);

    // Without offscreen: the content lies wholly inside the bounds. With it: the close area
    // for the position does.
    static bool isContentFrameValid(platform::Rect content, platform::Rect bounds,
                                    bool allowOffscreen, std::int64_t closeButtonPosition);

    // The close area for content shown in `contentFrame`; a position outside the table sits
    // at the content's top-left corner.
    static platform::Rect closeButtonRectForPosition(std::int64_t position,
                                                     platform::Rect contentFrame);
    // The autoresizing bits that keep the close area at its corner or edge; none for a
    // position outside the table.
    static unsigned autoresizingMaskForClosePosition(std::int64_t position);
};

}  // namespace ads
