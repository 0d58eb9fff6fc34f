#pragma once

// Launch and start bookkeeping of the app core that nothing on screen reveals at once: whether
// the settings came from an earlier launch, whether the game's pictures and sounds are loaded,
// whether a game was started since, which show context the next start from the title gets, and
// how often a link waited for an interstitial; and the steps tests drive directly. Tests only.

#include <cstdint>
#include <memory>
#include <vector>

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
    static bool inApplicationWillEnterForeground(const AppCoreBase& core) {
        return core.inApplicationWillEnterForeground_;
    }
    static const std::vector<uint8_t>& arid(const AppCoreBase& core) {
        return core.accountId_.bytes();
    }
    // The screens as the core makes them, through its factory.
    static std::shared_ptr<ViewControllerBase> createGameOverView(AppCoreBase& core) {
        return core.createGameOverView();
    }
    static std::vector<std::shared_ptr<ViewControllerBase>> createToolsViewContents(
        AppCoreBase& core) {
        return core.createToolsViewContents();
    }
    static std::shared_ptr<ViewControllerBase> startDummyView(AppCoreBase& core) {
        return core.startDummyView();
    }
    static void setCurrentEAGLContext(AppCoreBase& core) { core.setCurrentEAGLContext(); }
};

}  // namespace app
