#include "app/appcore/OrientationDependedInfo.h"

namespace app {

namespace {
constexpr int64_t kOrientationOfIndex[4] = {1, 3, 2, 4};
}

int OrientationDependedInfo::indexOfInterfaceOrientation(int64_t orientation) {
    for (int i = 0; i < 4; ++i) {
        if (kOrientationOfIndex[i] == orientation) return i;
    }
    return 0;
}

int64_t OrientationDependedInfo::interfaceOrientationOfIndex(int index) {
    return index >= 0 && index < 4 ? kOrientationOfIndex[index] : 1;
}

}  // namespace app
