#include "ads/fullscreen/GADMRAIDResizeProperties.h"

#include "platform/ui/View.h"

namespace ads {

using namespace platform::ui;

platform::Rect GADMRAIDResizeProperties::closeButtonRectForPosition(std::int64_t position,
                                                                    platform::Rect f) {
    const double side = kCloseButtonSide;
    const double minX = f.origin.x, minY = f.origin.y;
    const double maxX = minX + f.size.width, maxY = minY + f.size.height;
    const double midX = minX + f.size.width / 2, midY = minY + f.size.height / 2;
    platform::Point origin{minX, minY};
    switch (static_cast<GADMRAIDClosePosition>(position)) {
        case GADMRAIDClosePosition::TopRight:
            origin = {maxX - side, minY};
            break;
        case GADMRAIDClosePosition::TopCenter:
            origin = {midX - side / 2, minY};
            break;
        case GADMRAIDClosePosition::TopLeft:
            origin = {minX, minY};
            break;
        case GADMRAIDClosePosition::Center:
            origin = {midX - side / 2, midY - side / 2};
            break;
        case GADMRAIDClosePosition::BottomRight:
            origin = {maxX - side, maxY - side};
            break;
        case GADMRAIDClosePosition::BottomCenter:
            origin = {midX - side / 2, maxY - side};
            break;
        case GADMRAIDClosePosition::BottomLeft:
            origin = {minX, maxY - side};
            break;
    }
    return {origin, {side, side}};
}

unsigned GADMRAIDResizeProperties::autoresizingMaskForClosePosition(std::int64_t position) {
    switch (static_cast<GADMRAIDClosePosition>(position)) {
        case GADMRAIDClosePosition::TopRight:
            return AutoresizingFlexibleLeftMargin | AutoresizingFlexibleBottomMargin;
        case GADMRAIDClosePosition::TopCenter:
            return AutoresizingFlexibleLeftMargin | AutoresizingFlexibleRightMargin |
                   AutoresizingFlexibleBottomMargin;
        case GADMRAIDClosePosition::TopLeft:
            return AutoresizingFlexibleRightMargin | AutoresizingFlexibleBottomMargin;
        case GADMRAIDClosePosition::Center:
            return AutoresizingFlexibleLeftMargin | AutoresizingFlexibleRightMargin |
                   AutoresizingFlexibleTopMargin | AutoresizingFlexibleBottomMargin;
        case GADMRAIDClosePosition::BottomRight:
            return AutoresizingFlexibleLeftMargin | AutoresizingFlexibleTopMargin;
        case GADMRAIDClosePosition::BottomCenter:
            return AutoresizingFlexibleLeftMargin | AutoresizingFlexibleRightMargin |
                   AutoresizingFlexibleTopMargin;
        case GADMRAIDClosePosition::BottomLeft:
            return AutoresizingFlexibleRightMargin | AutoresizingFlexibleTopMargin;
    }
    return AutoresizingNone;
}

}  // namespace ads
