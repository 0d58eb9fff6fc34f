#include "app/appcore/OrientationDependedInfo.h"

namespace app {

namespace {
constexpr platform::ui::InterfaceOrientation kOrientationOfIndex[4] = {
    platform::ui::OrientationPortrait, platform::ui::OrientationLandscapeRight,
    platform::ui::OrientationPortraitUpsideDown, platform::ui::OrientationLandscapeLeft};
}

int OrientationDependedInfo::indexOfInterfaceOrientation(
    platform::ui::InterfaceOrientation orientation) {
    for (int i = 0; i < 4; ++i) {
        if (kOrientationOfIndex[i] == orientation) return i;
    }
    return 0;
}

platform::ui::InterfaceOrientation OrientationDependedInfo::interfaceOrientationOfIndex(int index) {
    return index >= 0 && index < 4 ? kOrientationOfIndex[index] : platform::ui::OrientationPortrait;
}

}  // namespace app
