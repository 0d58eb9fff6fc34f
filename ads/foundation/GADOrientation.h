#pragma once

// Interface orientations and masks as the ad server and ad pages name them. A mask has the
// bit (1 << orientation) set for each orientation it allows; the numbers travel in headers
// and page calls, so they never change.

#include <string_view>

namespace ads {

// Orientations: 1 portrait, 2 portrait upside down, 3 landscape right, 4 landscape left.
enum GADInterfaceOrientationMask : unsigned {
    GADInterfaceOrientationMaskNone = 0,
    GADInterfaceOrientationMaskPortrait = 1u << 1,
    GADInterfaceOrientationMaskPortraitUpsideDown = 1u << 2,
    GADInterfaceOrientationMaskLandscapeRight = 1u << 3,
    GADInterfaceOrientationMaskLandscapeLeft = 1u << 4,
    GADInterfaceOrientationMaskPortraitBoth = (1u << 1) | (1u << 2),
    GADInterfaceOrientationMaskLandscape = (1u << 3) | (1u << 4),
    GADInterfaceOrientationMaskAll = (1u << 1) | (1u << 2) | (1u << 3) | (1u << 4),
};

// "any" 30, "portrait" 6, "landscape" 24, exactly as written (case matters); anything else 0.
unsigned GADSupportedOrientationsFromString(std::string_view text);
// Whether the mask allows the orientation (orientations outside 0..31 never).
bool GADOrientationMaskContainsOrientation(unsigned mask, int orientation);

}  // namespace ads
