#pragma once

// The game view's host answered from the real app core.

#include <memory>

#include "app/gameview/GameViewBaseHost.h"

namespace app {

class AppCoreBase;

// The real app core behind the game view, held weakly: once it is gone every answer is empty.
class AppCoreGameViewHost final : public GameViewHost {
  public:
    static std::shared_ptr<AppCoreGameViewHost> create(std::weak_ptr<AppCoreBase> appCore);

    NeutralAccelerometer currentNeutralAccelerometer() override;
    platform::ui::InterfaceOrientation currentStatusBarOrientation() override;
    std::shared_ptr<JTAppBase::ShellAppCore> shellAppCore() override;
    JTAppBase::JTAppContextPtr appContext() override;
    std::shared_ptr<platform::gfx::GLContext> eaglContext() override;
    std::shared_ptr<platform::ui::Window> window() override;
    platform::Size screenSize() override;
    int32_t accelerometerCalibrationType() override;
    float contentsScaleValue() override;
    std::shared_ptr<JTAppBase::ShellTexture> texIconPause() override;
    std::shared_ptr<JTAppBase::LevelInfo> levelInfoForId(int32_t id) override;
    std::shared_ptr<JTAppBase::ShellSound> sound(int index) override;
    void stopSound(int index) override;
    void stopLoopingEffects(bool loops, bool music) override;
    std::shared_ptr<GameViewScoreRecorder> scoreRecorder() override;
    void startPauseView() override;
    void transitionAnimation(platform::ui::AnimationTransition kind, double duration) override;
    void startGameOverView(const GameViewScoreRecorder::Recorded& scores) override;

  private:
    explicit AppCoreGameViewHost(std::weak_ptr<AppCoreBase> appCore)
        : appCore_(std::move(appCore)) {}
    std::weak_ptr<AppCoreBase> appCore_;
};

}  // namespace app
