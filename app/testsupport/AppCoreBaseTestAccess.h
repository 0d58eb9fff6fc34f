#pragma once

// Launch and start bookkeeping of the app core that nothing on screen reveals at once: whether
// the settings came from an earlier launch, whether the game's pictures and sounds are loaded,
// whether a game was started since, which show context the next start from the title gets, and
// how often a link waited for an interstitial. Tests only.

#include <cstdint>

#include "app/appcore/AppCoreBase.h"

namespace app {

struct AppCoreBaseTestAccess {
    static bool settingsLoadedAtLaunch(const AppCoreBase& core) {
        return core.settingsFile_.loadedAtLaunch();
    }
    static bool resourceLoaded(const AppCoreBase& core) { return core.resourceLoaded_; }
    static bool startedGameAfterLaunchingApp(const AppCoreBase& core) {
        return core.startedGameAfterLaunchingApp_;
    }
    static int gameStartPopupContext(const AppCoreBase& core) {
        return core.gameStartPopupContext();
    }
    static uint64_t pendingHandleOpenURLCount(const AppCoreBase& core) {
        return core.pendingHandleOpenURLCount_;
    }
};

}  // namespace app
