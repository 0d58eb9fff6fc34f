#pragma once

// A game core over a quiet shell: the app context with the game's level manager and a quiet
// game view around the app core the caller brings. Levels start through the context, as the
// app core starts them, and the scene comes back through the game view.

#include <memory>

#include "appbase/JTAppContext.h"
#include "game/MyGameScene.h"
#include "game/MyLevelManager.h"
#include "game/testsupport/QuietGameView.h"

namespace gametest {

class QuietGame {
  public:
    explicit QuietGame(std::shared_ptr<JTAppBase::ShellAppCore> core);
    ~QuietGame();
    QuietGame(const QuietGame&) = delete;
    QuietGame& operator=(const QuietGame&) = delete;

    const JTApp::MyGameScenePtr& start(int levelId);
    void tick();
    void render();
    // Steers toward the middle of the car's row, as a careful player would.
    void steer();

    const JTApp::MyGameScenePtr& scene() const { return scene_; }
    const JTAppBase::JTCanvasPtr& canvas() const { return canvas_; }
    SteadyTilt& tilt() { return *view_->tilt; }

  private:
    std::shared_ptr<QuietGameView> view_;
    boost::intrusive_ptr<JTAppBase::JTAppContext> context_;
    JTApp::MyGameScenePtr scene_;
    JTAppBase::JTCanvasPtr canvas_;
};

}  // namespace gametest
