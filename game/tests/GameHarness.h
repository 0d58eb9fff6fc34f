#pragma once

// A whole game core over a fake shell: context, the game's level manager, a tilt input the test
// steers, a scripted random source and, when asked, the GL recorder.

#include <cmath>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include <unistd.h>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/Random.h"
#include "appbase/ScIntHolder.h"
#include "appbase/testsupport/FakeShell.h"
#include "game/MyAppContextIPhone.h"
#include "game/MyGameScene.h"
#include "game/MyLevelManager.h"
#include "game/testsupport/SceneDriving.h"
#include "platform/testing/TempDir.h"

namespace gametest {

// Serves queued values first, then the fallback; counts every draw.
class ScriptedRandom {
  public:
    explicit ScriptedRandom(std::function<long()> fallback) : fallback_(std::move(fallback)) {}
    explicit ScriptedRandom(long constant) : fallback_([constant] { return constant; }) {}

    long next() {
        ++draws;
        if (!queue.empty()) {
            long v = queue.front();
            queue.pop_front();
            return v;
        }
        return fallback_();
    }

    std::deque<long> queue;
    long draws = 0;

  private:
    std::function<long()> fallback_;
};

// A fixed pseudo-random sequence in [0, 2^31): the same numbers on every machine.
inline std::function<long()> lcg(uint32_t seed) {
    return [state = seed]() mutable {
        state = state * 1103515245u + 12345u;
        return static_cast<long>(state & 0x7FFFFFFFu);
    };
}

// Asks a Game for the game core's own generator instead of a script.
struct OwnGenerator {};

class Game {
  public:
    explicit Game(ScriptedRandom& random) : Game([&random] { return random.next(); }) {}
    explicit Game(OwnGenerator) : Game(JTAppBase::Random::Source{}) {}

    // Unlocks write into Documents: keep them in a home of the game's own.
    explicit Game(JTAppBase::Random::Source source) : scopedRandom_(std::move(source)) {
        JTAppBase::SetScIntMask(0x5A5A5A5A);
        core = std::make_shared<fake::AppCore>(&journal);
        for (int i = 0; i <= 4; ++i) core->addTexture(i, platform::Size{32, 32});
        for (int i = 0; i <= 3; ++i) core->addSound(i);
        view = std::make_shared<fake::GameView>(&journal, core);
        tilt = std::make_shared<fake::Tilt>();
        view->tilt = tilt;
        context = JTCore::JTNew<JTApp::MyAppContextIPhone>();  // the one the shell makes
        context->setAppCore(core);
        manager = JTCore::JTNew<JTApp::MyLevelManager>(context);
        context->setLevelManager(manager);
        context->setGameView(view);
    }
    ~Game() {
        view->scene.reset();
        scene.reset();
        context->setLevelManager(nullptr);
    }

    // Starts the level through the context, as the app core does; the scene comes back
    // through the game view.
    JTApp::MyGameScenePtr start(int levelId) {
        manager->reset();
        context->startLevel(levelId);
        scene = JTApp::MyGameScenePtr(dynamic_cast<JTApp::MyGameScene*>(view->scene.get()));
        return scene;
    }

    void tick() { gametest::tickScene(context->getCanvas(), *scene); }
    void render() { gametest::renderScene(context->getCanvas(), *scene); }

    // Steers toward the middle of the row the car is in, as a careful player would.
    void autopilot() { tilt->h = gametest::tiltTowardRowMiddle(*scene); }

    int count(const std::string& entry) const {
        int n = 0;
        for (const auto& e : journal) n += e == entry;
        return n;
    }

    fake::Journal journal;
    std::shared_ptr<fake::AppCore> core;
    std::shared_ptr<fake::GameView> view;
    std::shared_ptr<fake::Tilt> tilt;
    boost::intrusive_ptr<JTAppBase::JTAppContext> context;
    JTApp::MyLevelManagerPtr manager;
    JTApp::MyGameScenePtr scene;

  private:
    JTAppBase::Random::Scoped scopedRandom_;
    platform::testing::TempHome home_;
};

}  // namespace gametest
