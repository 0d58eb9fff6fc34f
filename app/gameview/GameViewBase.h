#pragma once

// The game's GL view and its loop. A repeating timer fires at the scene's tick rate; each firing
// runs the ticks its FixedStepLoop says are due and then draws one frame through the game
// core's canvas. The view
// also feeds touches to the game core, runs the pause button and its countdown, letterboxes the
// logical canvas onto the screen, and ends a run by recording its score.

#include <cstdint>
#include <map>
#include <memory>

#include "app/gameview/AccelerometerHelper.h"
#include "app/gameview/AppGameView.h"
#include "app/gameview/CanvasProjection.h"
#include "app/gameview/EAGLView.h"
#include "app/gameview/FixedStepLoop.h"
#include "app/gameview/GameViewBaseHost.h"
#include "app/gameview/GameViewBaseScores.h"
#include "appbase/JTScene.h"

namespace platform {
class Timer;
}

namespace app {

class GameViewContainer;

struct GameViewBaseTestAccess;

class GameViewBase : public EAGLView, public AppGameView {
  public:
    // The pause button takes touches this close to its centre (canvas units, exclusive).
    static constexpr double kPauseHitHalfWidth = 27;
    static constexpr double kPauseHitHalfHeight = 25;

    GameViewBase(std::shared_ptr<GameViewHost> host,
                 platform::ui::InterfaceOrientation orientation);
    ~GameViewBase() override;
    const char* className() const override { return "GameViewBase"; }

    std::shared_ptr<platform::gfx::GLContext> initialEAGLContext() override;

    // AppGameView
    void start() override;
    void stop() override;
    void resume() override;
    bool started() const override { return started_; }
    platform::Point pauseBtnPosInView() override;
    JTAppBase::JTScenePtr gameScene() const override { return gameScene_; }

    // ShellGameView
    void gameOverWithScore(int32_t score) override;
    void setLevelInfo(std::shared_ptr<JTAppBase::LevelInfo> levelInfo) override {
        levelInfo_ = std::move(levelInfo);
    }
    void startGameScene(const JTAppBase::JTScenePtr& scene) override;
    void setPauseBtnPos(platform::Point p) override { pauseBtnPos_ = p; }
    int64_t interfaceOrientation() override { return interfaceOrientation_; }
    std::shared_ptr<JTAppBase::ShellAppCore> appCore() override;
    platform::Point convertPointFromRawView(platform::Point p) override;
    void setMultipleTouchEnabled(bool enabled) override {
        platform::ui::View::setMultipleTouchEnabled(enabled);
    }
    std::shared_ptr<JTAppBase::ShellTilt> accelerometerHelper() override {
        return accelerometerHelper_;
    }

    void suspend();
    void enterPause();
    void startPauseView();
    void startTimer();
    void stopTimer();
    void render();

    // Touches: the pause button first, then the game core's touch state.
    void touchesBegan(const platform::ui::TouchSet& touches,
                      const platform::ui::Event& event) override;
    void touchesMoved(const platform::ui::TouchSet& touches,
                      const platform::ui::Event& event) override;
    void touchesEnded(const platform::ui::TouchSet& touches,
                      const platform::ui::Event& event) override;
    void touchesCancelled(const platform::ui::TouchSet& touches,
                          const platform::ui::Event& event) override;

    bool pauseBtnEnable() const { return !(pauseBtnPos_.x == 0 && pauseBtnPos_.y == 0); }
    platform::Point pauseBtnPosTranslated() const;

    void playSound(int index);
    void stopSound(int index);
    std::shared_ptr<JTAppBase::ShellTexture> texture(int index);

    std::shared_ptr<GameViewHost> host() const { return host_; }
    JTAppBase::JTAppContextPtr appContext() const;
    std::shared_ptr<JTAppBase::LevelInfo> levelInfo() const { return levelInfo_; }
    // The loop's timing: rates, schedule and tick count.
    const FixedStepLoop& loop() const { return loop_; }
    platform::Size viewSize() const { return viewSize_; }
    bool active() const { return active_; }
    int tickCount() const { return loop_.tickCount(); }
    // Letterbox and turn of the canvas for the view's orientation.
    CanvasProjection projection() const { return {interfaceOrientation_, disableOrientation_}; }
    void setDisableOrientation(bool d) { disableOrientation_ = d; }
    // The black view around us while we are in a window; nullptr otherwise.
    std::shared_ptr<GameViewContainer> containerView() const { return containerView_.lock(); }
    std::shared_ptr<platform::Timer> timer() const { return timer_; }

    // The drawing state the game core's canvas expects (blending, texturing, arrays, white),
    // without the projection; also what rendering tests start from.
    static void applyDrawingState();

  protected:
    virtual void setup();
    // Hooks of one tick, one frame's drawing and a game's start, for a game's own view.
    virtual void onTick();
    virtual void onRender();
    virtual void onStart();

  private:
    std::shared_ptr<GameViewBase> self();
    void applyGLState();
    // One firing of the loop's timer: the ticks due, then a frame.
    void onTimerFired();
    void startPauseViewNow();
    void prepareRender();
    void drawPauseButton();
    void updateCanvasSize();
    void doPauseBtn(const platform::ui::TouchSet& touches);
    void doTouchDown(const platform::ui::TouchSet& touches, const platform::ui::Event& event);
    void doTouchUp(const platform::ui::TouchSet& touches, const platform::ui::Event& event);

    void clearTouches();
    void collectActiveTouches(const platform::ui::TouchSet& touches);
    std::shared_ptr<JTAppBase::ShellTouch> shellTouch(
        const std::shared_ptr<platform::ui::Touch>& touch);

    std::shared_ptr<GameViewHost> host_;
    FixedStepLoop loop_;
    std::shared_ptr<platform::Timer> timer_;
    // The pause countdown shows only as the button's brightness; tests read it through here.
    friend struct GameViewBaseTestAccess;
    bool pausing() const { return enterPauseCount_ > 0; }
    int enterPauseCount_ = 0;
    std::shared_ptr<JTAppBase::LevelInfo> levelInfo_;
    bool active_ = false;
    bool started_ = false;
    platform::Point pauseBtnPos_;
    platform::Size viewSize_;
    platform::Size canvasSize_;
    platform::ui::InterfaceOrientation interfaceOrientation_ = platform::ui::OrientationPortrait;
    JTAppBase::JTScenePtr gameScene_;
    std::shared_ptr<AccelerometerHelper> accelerometerHelper_;
    std::weak_ptr<GameViewContainer> containerView_;
    bool disableOrientation_ = false;
    std::shared_ptr<void> backgroundObserver_;
};

}  // namespace app
