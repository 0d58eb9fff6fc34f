#include <gtest/gtest.h>

#include <climits>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/JTLevelManager.h"
#include "appbase/JTTextLabel.h"
#include "appbase/ScIntHolder.h"
#include "appbase/testsupport/FakeShell.h"
#include "game/GameSceneBase.h"
#include "game/MyAppContextIPhone.h"
#include "game/testsupport/BuiltInLevels.h"
#include "platform/gfx/RecordingGL.h"

using namespace JTApp;
using JTCore::JTNew;

namespace {

// Journals the state hooks; plays until told to end.
class ProbeScene : public GameSceneBase {
  public:
    ProbeScene(JTAppBase::JTAppContext* c, fake::Journal* j) : GameSceneBase(c), journal(j) {}
    float getFrameIntervalMs() override { return 30.0f; }
    void onFrame() override { stepFrame(); }
    void draw(const JTAppBase::JTCanvasPtr&) override {
        drawScore(12, 12);
        drawMessage(160);
        drawGameOver(200);
    }
    void onPlayingFrame() override {
        journal->push_back("playing@" + std::to_string(getFrame()));
        if (getFrame() == endAt) setState(kStateGameOver);
    }
    void onEnterState(int s) override { journal->push_back("enter" + std::to_string(s)); }
    void onLeaveState(int s) override { journal->push_back("leave" + std::to_string(s)); }
    fake::Journal* journal;
    int endAt = -1;
};

struct SceneFixture : ::testing::Test {
    fake::Journal journal;
    std::shared_ptr<fake::AppCore> core = std::make_shared<fake::AppCore>(&journal);
    std::shared_ptr<fake::GameView> view = std::make_shared<fake::GameView>(&journal, core);
    boost::intrusive_ptr<MyAppContextIPhone> context = JTNew<MyAppContextIPhone>();
    platform::gfx::RecordingGL gl;
    platform::gfx::ScopedGL scoped{gl};
    boost::intrusive_ptr<ProbeScene> scene;

    SceneFixture() {
        JTAppBase::SetScIntMask(0x1234567);
        core->addTexture(0, {200, 100});
        context->setAppCore(core);
        context->setLevelManager(JTNew<gametest::BuiltInLevels>(context));
        context->getLevelManager()->reset();
        context->setGameView(view);
        context->startLevel(3);
        scene = JTNew<ProbeScene>(context.get(), &journal);
        context->startGameScene(scene);
        journal.clear();
    }

    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) scene->onFrame();
    }
    void render() {
        context->getCanvas()->beginRender();
        scene->draw(context->getCanvas());
        context->getCanvas()->endRender();
    }
    int count(const std::string& entry) const {
        return static_cast<int>(std::count(journal.begin(), journal.end(), entry));
    }
};

using GameSceneBaseTest = SceneFixture;

}  // namespace

TEST_F(GameSceneBaseTest, StartsFromTheContextsLevelAndCanvas) {
    EXPECT_EQ(scene->getLevelId(), 3);
    EXPECT_EQ(scene->getCanvas().get(), context->getCanvas().get());
    EXPECT_EQ(scene->getState(), GameSceneBase::kStateNone);
    EXPECT_EQ(scene->getScore(), 0);
    EXPECT_EQ(scene->getGameOverFrames(), 1);
    EXPECT_TRUE(scene->getSoundHelper());
}

TEST_F(GameSceneBaseTest, GameOverFramesFromMilliseconds) {
    scene->setGameOverFrames(1500);
    EXPECT_EQ(scene->getGameOverFrames(), 50);
    scene->setGameOverFrames(10);
    EXPECT_EQ(scene->getGameOverFrames(), 1);
    scene->setGameOverFrames(-100);
    EXPECT_EQ(scene->getGameOverFrames(), 1);
}

TEST_F(GameSceneBaseTest, StateMachineHooksAndTickOrder) {
    scene->start();
    scene->setState(GameSceneBase::kStatePlaying);  // from -1: nothing to leave
    const fake::Journal started{"view.setMultipleTouchEnabled(0)", "enter0"};
    EXPECT_EQ(journal, started);
    journal.clear();

    scene->endAt = 3;
    tick(4);
    // The tick that ends the run still belongs to state 0; the game-over count starts with the
    // next tick, and with the default of one frame the score goes over right then.
    const fake::Journal expected{"playing@1", "playing@2", "playing@3",
                                 "leave0",    "enter1",    "view.gameOverWithScore(0)"};
    EXPECT_EQ(journal, expected);
    EXPECT_EQ(scene->getState(), GameSceneBase::kStateGameOver);
    EXPECT_EQ(scene->getStateFrames(), 1);
    EXPECT_FLOAT_EQ(scene->getElapsedMs(), 120.0f);
    EXPECT_FLOAT_EQ(scene->getStateElapsedMs(), 30.0f);
}

TEST_F(GameSceneBaseTest, ScoreGoesToTheContextExactlyOnceAfterTheGameOverFrames) {
    scene->setGameOverFrames(1500);
    scene->setState(GameSceneBase::kStatePlaying);
    scene->addScore(250);
    scene->endAt = 10;
    tick(10);
    journal.clear();
    tick(49);
    EXPECT_EQ(count("view.gameOverWithScore(250)"), 0);
    tick(1);  // 50 ticks after entering state 1
    EXPECT_EQ(count("view.gameOverWithScore(250)"), 1);
    tick(100);
    EXPECT_EQ(count("view.gameOverWithScore(250)"), 1);
}

TEST_F(GameSceneBaseTest, SceneThatNeverSetsGameOverFramesStillEnds) {
    scene->setState(GameSceneBase::kStatePlaying);
    scene->endAt = 1;
    tick(2);
    EXPECT_EQ(count("view.gameOverWithScore(0)"), 1);
}

TEST_F(GameSceneBaseTest, MessageShowsForItsFrames) {
    scene->initMessageLabel(24, 0xFFFFFF00, 0xFF000000, 2);
    ASSERT_TRUE(scene->messageLabel());
    EXPECT_EQ(scene->messageLabel()->alignment(), 1);
    EXPECT_EQ(scene->messageLabel()->width(), 320.0);
    scene->setState(GameSceneBase::kStatePlaying);
    scene->showMessage(JTCore::NewJTString("Tilt to move!"), 120);
    scene->showMessage(JTCore::NewJTString(""), 500);  // ignored
    int shown = 0;
    for (int i = 1; i <= 130; ++i) {
        tick();
        journal.clear();
        render();
        const bool drawn = count("label[Tilt to move!].drawInRect(0,304,320,32)") == 1;
        EXPECT_EQ(drawn, i <= 119) << "after tick " << i;
        shown += drawn;
    }
    EXPECT_EQ(shown, 119);
}

TEST_F(GameSceneBaseTest, ScoreTextIsRebuiltOnlyAfterItChanges) {
    scene->initScoreLabel(24, 0xFFFFFFFF, 0xFF000000, 2);
    ASSERT_TRUE(scene->scoreLabel());
    EXPECT_EQ(scene->scoreLabel()->alignment(), 0);
    EXPECT_EQ(scene->scoreLabel()->width(), 256.0);
    EXPECT_TRUE(scene->scoreLabel()->shadowOn());
    render();
    render();
    EXPECT_EQ(core->factory().made, 1);
    EXPECT_EQ(count("text(Score: 0,256x32,0,Arial,24,1)"), 1);
    scene->addScore(100);
    render();
    render();
    EXPECT_EQ(core->factory().made, 2);
    EXPECT_EQ(journal.back(), "label[Score: 100].drawInRect(12,436,256,32)");
}

TEST_F(GameSceneBaseTest, ScoreWrapsInsteadOfOverflowing) {
    scene->addScore(INT_MAX);
    scene->addScore(1);
    EXPECT_EQ(scene->getScore(), INT_MIN);
}

TEST_F(GameSceneBaseTest, GameOverPictureFallsAndSettles) {
    scene->setGameOverFrames(1500);
    scene->setState(GameSceneBase::kStatePlaying);
    render();
    EXPECT_EQ(count("tex0.drawInRect(60,-50,200,100)") + count("tex0.drawInRect(60,430,200,100)"),
              0);  // not while playing
    scene->setState(GameSceneBase::kStateGameOver);
    journal.clear();
    render();  // t = 0: at the top edge
    EXPECT_EQ(journal.back(), "tex0.drawInRect(60,430,200,100)");
    tick(25);  // t = f / 2: settled at 10/11 of y
    journal.clear();
    render();
    const float settled = 200.0f - 200.0f * 2.5f / 27.5f;
    EXPECT_NEAR(settled, 200.0f * 10 / 11, 1e-3);
    EXPECT_EQ(journal.back(), "tex0.drawInRect(60," + fake::fmt(480 - settled - 50) + ",200,100)");
}
