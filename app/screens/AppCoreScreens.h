#pragma once

// What the screens need of the app core. The app core implements it; the screens hold it
// without owning it, so a screen never keeps the app core alive nor the other way round.

#include <memory>
#include <string>

#include "appbase/JTScene.h"
#include "platform/ui/AnimationTransition.h"
#include "platform/ui/InterfaceOrientation.h"

namespace platform::ui {
class Window;
}

namespace app {

class ViewControllerBase;

class AppCoreScreens {
  public:
    virtual ~AppCoreScreens() = default;

    // The application window.
    virtual std::shared_ptr<platform::ui::Window> window() const = 0;
    // The screen that is the window's root at the moment (nullptr clears it).
    virtual void setRootViewController(std::shared_ptr<ViewControllerBase> vc) = 0;
    // The orientation the app core chose.
    virtual platform::ui::InterfaceOrientation interfaceOrientation() const = 0;

    // Settings
    virtual std::string soundVolumeString() const = 0;
    virtual int toggleSoundVolume() = 0;
    virtual void saveSettings() = 0;
    virtual void updateSoundSetting() = 0;

    // Screen changes
    virtual void startTitleView() = 0;
    virtual void resumeGameView() = 0;
    // `stop` on the current orientation's game view.
    virtual void stopGameView() = 0;
    // The scene of the current orientation's game view, or none.
    virtual JTAppBase::JTScenePtr currentGameScene() const = 0;
    // One animated screen change on the window; duration in seconds.
    virtual void transitionAnimation(platform::ui::AnimationTransition kind, double duration) = 0;
};

}  // namespace app
