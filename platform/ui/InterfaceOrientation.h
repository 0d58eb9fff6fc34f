#pragma once

// Interface orientations and their masks (1 << orientation). Stored settings key the neutral
// tilt by these values and the app core's screen records are chosen by them, so a value never
// changes.

namespace platform::ui {

enum InterfaceOrientation : int {
    OrientationUnknown = 0,
    OrientationPortrait = 1,
    OrientationPortraitUpsideDown = 2,
    OrientationLandscapeRight = 3,
    OrientationLandscapeLeft = 4,
};

constexpr bool isLandscape(InterfaceOrientation o) {
    return o == OrientationLandscapeRight || o == OrientationLandscapeLeft;
}

}  // namespace platform::ui
