#include "app/gameview/CanvasProjection.h"

#include <utility>

namespace app {

int quarterTurns(platform::ui::InterfaceOrientation orientation) {
    switch (orientation) {
        case platform::ui::OrientationLandscapeRight:
            return 1;
        case platform::ui::OrientationPortraitUpsideDown:
            return 2;
        case platform::ui::OrientationLandscapeLeft:
            return -1;
        default:
            return 0;
    }
}

platform::Point turnedFor(platform::ui::InterfaceOrientation orientation, platform::Point p) {
    switch (quarterTurns(orientation)) {
        case 1:
            return {-p.y, p.x};
        case 2:
            return {-p.x, -p.y};
        case -1:
            return {p.y, -p.x};
        default:
            return p;
    }
}

platform::Rect CanvasProjection::letterbox(platform::Size scene, platform::Size screen) const {
    const double cw = sideways() ? scene.height : scene.width;
    const double ch = sideways() ? scene.width : scene.height;
    const double sw = screen.width, sh = screen.height;
    // The scale goes through float, as the GL surface's sizes do, so the frame lands on the
    // same pixels as the drawing.
    if (ch * sw <= cw * sh) {
        const double s = float(sw / cw);
        return {0, (sh - ch * s) / 2, cw * s, ch * s};
    }
    const double s = float(sh / ch);
    return {(sw - cw * s) / 2, 0, cw * s, ch * s};
}

std::optional<CanvasProjection::GlProjection> CanvasProjection::glProjection(
    platform::Size canvas) const {
    double cw = canvas.width, ch = canvas.height;
    if (sideways()) std::swap(cw, ch);
    if (!(cw > 0 && ch > 0)) return std::nullopt;
    GlProjection p;
    p.width = float(cw);
    p.height = float(ch);
    // The canvas's y axis points up, so a turn of the view is the opposite turn here.
    switch (turns_) {
        case 2:
            p.translateX = p.width;
            p.translateY = p.height;
            p.degrees = 180;
            break;
        case -1:
            p.translateX = p.width;
            p.degrees = 90;
            break;
        case 1:
            p.translateY = p.height;
            p.degrees = -90;
            break;
        default:
            break;
    }
    return p;
}

platform::Point CanvasProjection::toCanvas(platform::Point p, platform::Size viewSize,
                                           std::optional<platform::Size> scene) const {
    double x = p.x, y = p.y;
    switch (turns_) {
        case 2:
            x = viewSize.width - p.x;
            y = viewSize.height - p.y;
            break;
        case -1:
            x = viewSize.width - p.y;
            y = p.x;
            break;
        case 1:
            x = p.y;
            y = viewSize.height - p.x;
            break;
        default:
            break;
    }
    if (scene && viewSize.width != 0 && viewSize.height != 0) {
        x = x * scene->width / viewSize.width;
        y = y * scene->height / viewSize.height;
    }
    return {x, y};
}

}  // namespace app
