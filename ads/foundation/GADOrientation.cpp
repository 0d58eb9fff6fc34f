#include "ads/foundation/GADOrientation.h"

namespace ads {

unsigned GADSupportedOrientationsFromString(std::string_view text) {
    if (text == "any") return GADInterfaceOrientationMaskAll;
    if (text == "portrait") return GADInterfaceOrientationMaskPortraitBoth;
    if (text == "landscape") return GADInterfaceOrientationMaskLandscape;
    return GADInterfaceOrientationMaskNone;
}

bool GADOrientationMaskContainsOrientation(unsigned mask, int orientation) {
    if (orientation < 0 || orientation > 31) return false;
    return (mask & (1u << orientation)) != 0;
}

}  // namespace ads
