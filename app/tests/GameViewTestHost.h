#pragma once

// A game view's surroundings for tests: a host that records what the view asks of the app
// core, a scene that counts its ticks and draws, and a level record mirror.

#include <functional>
#include <memory>
#include <vector>

#include "app/gameview/GameViewBase.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTScene.h"
#include "platform/gfx/GLContext.h"
#include "platform/ui/Window.h"

namespace gameviewtest {

// A context that is always current: with a recording GL table the view draws into a
// framebuffer object that exists only in the recording.
class FakeContext : public platform::gfx::GLContext {
  public:
    bool makeCurrent() override { return current = true; }
    bool isCurrent() const override { return current; }
    bool clearCurrent() override {
        current = false;
        return true;
    }
    bool present() override { return true; }
    int width() const override { return 320; }
    int height() const override { return 480; }
    bool current = false;
};

class Host : public app::GameViewHost {
  public:
    app::NeutralAccelerometer currentNeutralAccelerometer() override { return {}; }
    platform::ui::InterfaceOrientation currentStatusBarOrientation() override {
        return platform::ui::OrientationPortrait;
    }
    std::shared_ptr<JTAppBase::ShellAppCore> shellAppCore() override { return nullptr; }
    JTAppBase::JTAppContextPtr appContext() override { return context; }
    std::shared_ptr<platform::gfx::GLContext> eaglContext() override { return glContext; }
    std::shared_ptr<platform::ui::Window> window() override { return windowView; }
    platform::Size screenSize() override { return screen; }
    int32_t accelerometerCalibrationType() override { return calibrationType; }
    float contentsScaleValue() override { return 1.0f; }
    std::shared_ptr<JTAppBase::ShellTexture> texIconPause() override { return pauseIcon; }
    std::shared_ptr<JTAppBase::LevelInfo> levelInfoForId(int32_t) override { return nullptr; }
    std::shared_ptr<JTAppBase::ShellSound> sound(int) override { return nullptr; }
    void stopSound(int) override {}
    void stopLoopingEffects(bool loops, bool music) override {
        stoppedLoops.push_back({loops, music});
    }
    std::shared_ptr<app::GameViewScoreRecorder> scoreRecorder() override { return recorder; }
    void startPauseView() override { ++pauseViews; }
    void transitionAnimation(platform::ui::AnimationTransition kind, double) override {
        transitions.push_back(static_cast<int>(kind));
    }
    void startGameOverView(const app::GameViewScoreRecorder::Recorded& r) override {
        ++gameOverViews;
        lastRecorded = r;
    }

    JTAppBase::JTAppContextPtr context;
    std::shared_ptr<platform::gfx::GLContext> glContext;
    std::shared_ptr<platform::ui::Window> windowView;
    platform::Size screen{320, 480};
    int32_t calibrationType = 0;
    std::shared_ptr<JTAppBase::ShellTexture> pauseIcon;
    std::vector<std::pair<bool, bool>> stoppedLoops;
    int pauseViews = 0;
    std::vector<int> transitions;
    int gameOverViews = 0;
    std::shared_ptr<app::GameViewScoreRecorder> recorder;
    app::GameViewScoreRecorder::Recorded lastRecorded;
};

class Scene : public JTAppBase::JTScene {
  public:
    Scene(JTAppBase::JTAppContext* context, float ms) : JTScene(context), ms_(ms) {}
    float getFrameIntervalMs() override { return ms_; }
    int getWidth() override { return 320; }
    int getHeight() override { return 480; }
    void onFrame() override {
        ++ticks;
        if (onTick) onTick(ticks);
    }
    void draw(const JTAppBase::JTCanvasPtr&) override { ++draws; }

    int ticks = 0;
    int draws = 0;
    std::function<void(int)> onTick;

  private:
    float ms_;
};

}  // namespace gameviewtest
