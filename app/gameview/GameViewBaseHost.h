#pragma once

// What the game view needs of the app core. AppCoreGameViewHost answers it from the real app
// core; tests answer it themselves, so the loop runs without settings, keychain or screens.

#include <cstdint>
#include <memory>

#include "app/gameview/AccelerometerHelper.h"
#include "app/gameview/GameViewBaseScores.h"
#include "appbase/JTAppContext.h"
#include "appbase/ShellInterfaces.h"
#include "platform/base/Geometry.h"
#include "platform/ui/AnimationTransition.h"

namespace platform::gfx {
class GLContext;
}
namespace platform::ui {
class Window;
}

namespace app {

class GameViewHost : public AccelerometerHelperOwner {
  public:
    ~GameViewHost() override = default;

    virtual std::shared_ptr<JTAppBase::ShellAppCore> shellAppCore() = 0;
    virtual JTAppBase::JTAppContextPtr appContext() = 0;
    // The GL context shared by the game views; none means nothing is drawn.
    virtual std::shared_ptr<platform::gfx::GLContext> eaglContext() = 0;
    virtual std::shared_ptr<platform::ui::Window> window() = 0;
    virtual platform::Size screenSize() = 0;
    virtual int32_t accelerometerCalibrationType() = 0;
    virtual float contentsScaleValue() = 0;
    virtual std::shared_ptr<JTAppBase::ShellTexture> texIconPause() = 0;
    virtual std::shared_ptr<JTAppBase::LevelInfo> levelInfoForId(int32_t id) = 0;
    virtual std::shared_ptr<JTAppBase::ShellSound> sound(int index) = 0;
    virtual void stopSound(int index) = 0;
    virtual void stopLoopingEffects(bool loops, bool music) = 0;

    // Where a finished run's score goes; none stores nothing (the run still ends).
    virtual std::shared_ptr<GameViewScoreRecorder> scoreRecorder() = 0;

    virtual void startPauseView() = 0;
    virtual void transitionAnimation(platform::ui::AnimationTransition kind, double duration) = 0;
    virtual void startGameOverView(const GameViewScoreRecorder::Recorded& scores) = 0;
};

}  // namespace app
