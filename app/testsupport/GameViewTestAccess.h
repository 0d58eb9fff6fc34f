#pragma once

// Game view and tilt state that shows only indirectly (the pause button's brightness, the
// filter's drift over many readings): tests read and set it here. Tests only.

#include "app/gameview/AccelerometerHelper.h"
#include "app/gameview/GameViewBase.h"

namespace app {

struct GameViewBaseTestAccess {
    static bool pausing(const GameViewBase& view) { return view.pausing(); }
    static int enterPauseCount(const GameViewBase& view) { return view.enterPauseCount_; }
};

struct AccelerometerHelperTestAccess {
    static void setX(AccelerometerHelper& helper, double v) { helper.accelerometerX_ = v; }
    static void setY(AccelerometerHelper& helper, double v) { helper.accelerometerY_ = v; }
    static void setZ(AccelerometerHelper& helper, double v) { helper.accelerometerZ_ = v; }
    static void runCheck(AccelerometerHelper& helper) { helper.onAcceleromterCheck(); }
};

}  // namespace app
