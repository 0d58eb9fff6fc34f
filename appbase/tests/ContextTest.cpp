#include <gtest/gtest.h>

#include <algorithm>

#include "appbase/JTAccelerometerHelper.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTKeyHelper.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/JTLevelManager.h"
#include "appbase/JTScene.h"
#include "appbase/JTSoundHelper.h"
#include "appbase/JTTextLabel.h"
#include "appbase/testsupport/FakeShell.h"
#include "platform/base/LogSink.h"

using namespace JTAppBase;
using JTCore::JTNew;

namespace {

class TestScene : public JTScene {
  public:
    explicit TestScene(JTAppContext* c) : JTScene(c) {}
    float getFrameIntervalMs() override { return 30; }
    int getWidth() override { return 320; }
    int getHeight() override { return 480; }
    void onFrame() override {}
    void draw(const JTCanvasPtr&) override {}
};

// Journals what the context asks of it; starting a level makes a scene, as the game's
// manager does, and a game over raises a notice, as an unlock does.
class TestManager : public JTLevelManager {
  public:
    TestManager(const JTAppContextPtr& c, fake::Journal* j) : JTLevelManager(c), journal(j) {}
    void initLevels(const JTCore::JTArrayListPtr& levels) override {
        levels->add(newLevelInfo(1));
        levels->add(newLevelInfo(3));
    }
    void startLevel(int32_t id) override {
        journal->push_back("manager.startLevel(" + std::to_string(id) + ")");
        auto ctx = getAppContext();
        ctx->startGameScene(JTNew<TestScene>(ctx.get()));
    }
    JTCore::JTObjectPtr loadLevelData(const JTLevelInfoPtr& level) override {
        journal->push_back("manager.loadLevelData(" + std::to_string(level->getId()) + ")");
        if (suppressStart) getAppContext()->setStartSuppressed(true);
        return data;
    }
    void onGameOver(int32_t id, int32_t score) override {
        journal->push_back("manager.onGameOver(" + std::to_string(id) + "," +
                           std::to_string(score) + ")");
        showMessage(JTCore::NewJTString("Congratulations!"), JTCore::NewJTString("unlocked"));
    }
    fake::Journal* journal;
    JTCore::JTObjectPtr data = JTCore::NewJTString("level data");
    bool suppressStart = false;
};

struct Shell {
    fake::Journal journal;
    std::shared_ptr<fake::AppCore> core = std::make_shared<fake::AppCore>(&journal);
    std::shared_ptr<fake::GameView> view = std::make_shared<fake::GameView>(&journal, core);
    JTAppContextPtr context = JTNew<JTAppContext>();
    boost::intrusive_ptr<TestManager> manager = JTNew<TestManager>(context, &journal);

    Shell() {
        context->setAppCore(core);
        context->setLevelManager(manager);
        manager->reset();
        context->setGameView(view);
        journal.clear();
    }
};

int countOf(const fake::Journal& j, const std::string& entry) {
    return static_cast<int>(std::count(j.begin(), j.end(), entry));
}

}  // namespace

TEST(JTAppContext, ConstructionMakesItsPartsWithBackReferences) {
    auto ctx = JTNew<JTAppContext>();
    ASSERT_TRUE(ctx->getCanvas() && ctx->getSoundHelper() && ctx->getAccelerometerHelper() &&
                ctx->getKeyHelper());
    EXPECT_EQ(ctx->getCanvas()->getAppContext().get(), ctx.get());
    EXPECT_EQ(ctx->getCanvas()->getWidth(), 1);
    EXPECT_EQ(ctx->getOrientation(), 1);
    EXPECT_FALSE(ctx->getLevelInfo());
    EXPECT_FALSE(ctx->getAuxObject());
    EXPECT_FALSE(ctx->getKeyHelper()->isKeyDown());

    // The parts hold the context weakly: dropping it destroys it, and they see it gone.
    auto canvas = ctx->getCanvas();
    EXPECT_EQ(ctx->refCount(), 1);
    ctx.reset();
    EXPECT_FALSE(canvas->getAppContext());
}

TEST(JTAppContext, EveryShellCallIsSkippedWithoutAShell) {
    auto ctx = JTNew<JTAppContext>();
    ctx->startGameScene(JTNew<TestScene>(ctx.get()));
    ctx->gameOver(10);
    ctx->showMessage(JTCore::NewJTString("t"), JTCore::NewJTString("m"));
    ctx->setPauseButtonPos(-27, 25);
    ctx->backToTitle();
    EXPECT_FALSE(ctx->isIPad());
    platform::LogSink::Capture log;
    ctx->startLevel(1);  // no manager either
    EXPECT_TRUE(log.contains("[ERROR] -[JTAppContext startLevel]"));
    EXPECT_FALSE(ctx->getLevelInfo());
}

TEST(JTAppContext, StartLevelOrderAndSettingsSavedOnlyOnChange) {
    Shell s;
    s.view->orientation = 3;
    s.context->setGameView(s.view);
    EXPECT_EQ(s.context->getOrientation(), 3);

    s.context->startLevel(3);
    const fake::Journal expected{"core.setCurrentLevelId(3)", "core.saveSettings",
                                 "view.setLevelInfo(3)", "manager.loadLevelData(3)",
                                 "manager.startLevel(3)",
                                 // the canvas takes the scene's size and re-sends its touch mode
                                 "view.setMultipleTouchEnabled(0)", "view.startGameScene(scene)"};
    EXPECT_EQ(s.journal, expected);
    EXPECT_EQ(s.context->getLevelInfo()->getId(), 3);
    EXPECT_EQ(s.context->getLevelData().get(), s.manager->data.get());
    EXPECT_EQ(s.context->getCanvas()->getWidth(), 320);
    EXPECT_EQ(s.context->getCanvas()->getHeight(), 480);

    s.journal.clear();
    s.context->startLevel(3);  // already current: no second save
    EXPECT_EQ(s.journal.front(), "view.setLevelInfo(3)");
    EXPECT_EQ(countOf(s.journal, "core.saveSettings"), 0);
    s.context->startLevel(1);
    EXPECT_EQ(countOf(s.journal, "core.saveSettings"), 1);
    EXPECT_EQ(s.core->currentLevel, 1);
}

TEST(JTAppContext, UnknownLevelGoesBackToTitleWithoutTouchingSettings) {
    Shell s;
    s.context->startLevel(1);
    s.journal.clear();
    platform::LogSink::Capture log;

    s.context->startLevel(2);
    const fake::Journal expected{"view.stop", "core.startTitleView",
                                 "core.transitionAnimation(1,0.5)"};
    EXPECT_EQ(s.journal, expected);
    EXPECT_EQ(s.core->currentLevel, 1);
    EXPECT_EQ(log.count(), 1u);
    EXPECT_TRUE(log.contains("[ERROR] -[JTAppContext startLevel]"));
}

TEST(JTAppContext, StartSuppressedByTheLevelDataLoadSkipsTheScene) {
    Shell s;
    s.manager->suppressStart = true;
    s.context->startLevel(1);
    EXPECT_EQ(countOf(s.journal, "manager.startLevel(1)"), 0);
    EXPECT_TRUE(s.context->isStartSuppressed());
    s.manager->suppressStart = false;
    s.context->startLevel(1);  // cleared at the start of every startLevel
    EXPECT_EQ(countOf(s.journal, "manager.startLevel(1)"), 1);
}

TEST(JTAppContext, GameOverQueuesNoticesBeforeHandingTheScoreToTheView) {
    Shell s;
    s.context->startLevel(1);
    s.journal.clear();

    s.context->gameOver(8000);
    const fake::Journal expected{"manager.onGameOver(1,8000)", "view.gameOverWithScore(8000)"};
    EXPECT_EQ(s.journal, expected);  // no alert: the notice waits for the game-over screen
    EXPECT_TRUE(s.manager->hasPendingMessages());
    auto pending = s.manager->takePendingMessages();
    ASSERT_TRUE(pending);
    EXPECT_EQ(*pending, (std::vector<std::string>{"Congratulations!", "unlocked"}));

    // Outside a game over, a notice is an alert at once.
    s.manager->showMessage(JTCore::NewJTString("t"), JTCore::NewJTString("m"));
    EXPECT_EQ(s.journal.back(), "core.alert(t|m)");
}

TEST(JTAppContext, EmptySceneStopsTheViewAndKeepsTheCanvasSize) {
    Shell s;
    s.context->startGameScene(nullptr);
    EXPECT_EQ(s.journal, fake::Journal{"view.startGameScene(none)"});
    EXPECT_EQ(s.context->getCanvas()->getWidth(), 1);
}

TEST(JTAppContext, ClearingTheGameViewDropsTheLevelAndDetachesTheCanvas) {
    Shell s;
    s.context->startLevel(1);
    s.context->setGameView(nullptr);
    EXPECT_FALSE(s.context->getLevelInfo());
    EXPECT_FALSE(s.context->getCanvas()->getAppCore());
    s.context->setPauseButtonPos(-27, 25);  // goes nowhere now
    EXPECT_EQ(countOf(s.journal, "view.setPauseBtnPos(-27,25)"), 0);
}

TEST(JTAppContext, ShellObjectsAreNotKeptAlive) {
    Shell s;
    std::weak_ptr<fake::GameView> weakView = s.view;
    s.view.reset();
    EXPECT_TRUE(weakView.expired());
    s.context->gameOver(1);  // the view is gone: nothing to call, nothing to crash
    EXPECT_EQ(countOf(s.journal, "view.gameOverWithScore(1)"), 0);
}

TEST(JTAppContext, SmallForwardsToTheShell) {
    Shell s;
    s.context->setPauseButtonPos(-27, 25);
    s.context->showMessage(JTCore::NewJTString("Title"), JTCore::NewJTString("Text"));
    s.core->iPad = true;
    EXPECT_TRUE(s.context->isIPad());
    const fake::Journal expected{"view.setPauseBtnPos(-27,25)", "core.alert(Title|Text)"};
    EXPECT_EQ(s.journal, expected);
}

TEST(JTAppContext, LogDOnlyWithDebugFlagAndAlwaysAtDebugLevel) {
    Shell s;
    platform::LogSink::Capture log;
    s.context->logD(nullptr);  // never read while the flag is off
    s.context->setDebug(true);
    EXPECT_TRUE(s.context->isDebug());
    s.context->logD(JTCore::NewJTString("copy unlocking state from:1 to:3 value:1"));
    EXPECT_EQ(log.count(), 0u);  // level 1 prints nothing
}

TEST(JTAppContext, LabelsAndTouchesForTheShell) {
    Shell s;
    auto label = s.context->newTextLabel();
    ASSERT_TRUE(label);
    auto a = std::make_shared<fake::Touch>(platform::Point{1, 2});
    s.context->addActiveTouch(a);
    s.context->addActiveTouch(a);
    s.context->addActiveTouch(nullptr);
    EXPECT_EQ(s.context->activeTouches().size(), 1u);
    s.context->clearActiveTouches();
    EXPECT_TRUE(s.context->activeTouches().empty());
}
