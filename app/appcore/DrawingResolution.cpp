#include "app/appcore/DrawingResolution.h"

#include "app/textures/BundlePictures.h"
#include "platform/ui/Screen.h"

namespace app {

namespace {
// The sharpest set an automatic choice may take.
constexpr int32_t kMaxDefaultContentsScaleIndex = 3;
}  // namespace

float DrawingResolution::displayContentsScale(bool tablet) {
    float scale = static_cast<float>(platform::ui::Screen::mainScreen().scale());
    if (tablet && scale <= 1.01f) scale *= 2;
    return scale;
}

int32_t DrawingResolution::defaultContentsScaleIndex(bool tablet) {
    const float scale = displayContentsScale(tablet);
    if (kMaxDefaultContentsScaleIndex >= 3 && scale >= 1.9f) return 3;
    if (kMaxDefaultContentsScaleIndex > 1 && scale >= 1.4f) return 2;
    return 1;
}

float DrawingResolution::contentsScaleValueFromIndex(int32_t index) {
    return BundlePictures::contentsScaleValueFromIndex(index);
}

int32_t DrawingResolution::update(int32_t setting, bool tablet) {
    if (!supportsContentsScale(tablet)) {
        index_ = 1;
    } else if (setting >= 1 && setting <= 3) {
        index_ = setting;
    } else if (setting >= 4) {
        index_ = 3;
    } else {
        index_ = defaultContentsScaleIndex(tablet);
    }
    return index_;
}

}  // namespace app
