#include "app/screens/PauseView.h"

#include <gtest/gtest.h>

#include "FakeAppCore.h"
#include "appbase/JTScene.h"
#include "core/JTRefCount.h"
#include "core/JTString.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/InterfaceLoader.h"

using namespace app;

namespace {

// A scene that may offer the pause screen an extra button.
class ExtraScene : public JTAppBase::JTScene {
  public:
    explicit ExtraScene(const char* extra) : JTScene(nullptr), extra_(extra) {}
    float getFrameIntervalMs() override { return 30; }
    int getWidth() override { return 320; }
    int getHeight() override { return 480; }
    void onFrame() override {}
    void draw(const JTAppBase::JTCanvasPtr&) override {}
    JTCore::JTObjectPtr getSceneObject() override {
        return extra_ ? JTCore::NewJTString(extra_) : nullptr;
    }
    void sceneHook() override { ++hooks; }
    int hooks = 0;

  private:
    const char* extra_;
};

class PauseViewTest : public ::testing::Test {
  protected:
    PauseViewTest() {
        platform::ui::InterfaceLoader::setSearchDirectory(std::string(MOVU_SOURCE_DIR) +
                                                          "/assets/ui");
        pause->setAppCore(core);
    }
    ~PauseViewTest() override { platform::ui::InterfaceLoader::setSearchDirectory({}); }
    void show() { pause->startAsRootView(); }

    platform::MainLoopTestScope loop;
    std::shared_ptr<FakeAppCore> core = std::make_shared<FakeAppCore>();
    std::shared_ptr<PauseView> pause = ViewControllerBase::make<PauseView>();
};

using Calls = std::vector<std::string>;

}  // namespace

TEST_F(PauseViewTest, InterfaceFileProvidesEveryOutletAndAction) {
    show();
    EXPECT_TRUE(pause->loadError().empty()) << pause->loadError();
    ASSERT_TRUE(pause->soundBtn());
    ASSERT_TRUE(pause->resumeBtn());
    ASSERT_TRUE(pause->additional0Btn());
    for (const char* a : {"onSoundBtn", "onBackToTitleBtn", "onResumeBtn", "onAdditional0Btn"})
        EXPECT_TRUE(pause->hasAction(a)) << a;
    EXPECT_EQ(core->root, pause);
    EXPECT_EQ(core->window_->rootViewController(), pause);
    // The landscape file loads as well.
    auto landscape = ViewControllerBase::make<PauseView>("Pause_Landscape");
    landscape->view();
    EXPECT_TRUE(landscape->loadError().empty()) << landscape->loadError();
}

TEST_F(PauseViewTest, ResumeButtonHiddenUntilTheGameToldItsPauseButtonPlace) {
    show();
    EXPECT_TRUE(pause->resumeBtn()->isHidden());

    pause->stop();
    pause->setResumeBtnPos({290, 30});
    show();
    EXPECT_FALSE(pause->resumeBtn()->isHidden());
    // Over the pause button but wholly on the screen, a margin from its edges.
    auto frame = pause->resumeBtn()->frame();
    EXPECT_TRUE(frame.contains({290, 30}));
    EXPECT_LE(frame.maxX(), pause->view()->bounds().maxX() - 6);
    EXPECT_GE(frame.minY(), 6);
    // A tap right there resumes the game.
    auto hit = core->window_->hitTest({290, 30}, nullptr);
    EXPECT_EQ(hit, pause->resumeBtn());
    pause->resumeBtn()->tap();
    EXPECT_EQ(core->calls, (Calls{"resume"}));
    EXPECT_EQ(pause->view()->superview(), nullptr);
}

TEST_F(PauseViewTest, SoundButtonCyclesTheVolumeAndSavesEachStep) {
    show();
    EXPECT_EQ(pause->soundBtn()->currentTitle(), "SoundVolume: 2");
    std::vector<std::string> titles;
    for (int i = 0; i < 4; ++i) {
        pause->soundBtn()->tap();
        titles.push_back(pause->soundBtn()->titleForState(platform::ui::ControlStateHighlighted));
    }
    EXPECT_EQ(titles,
              (Calls{"SoundVolume: 3", "SoundVolume: OFF", "SoundVolume: 1", "SoundVolume: 2"}));
    EXPECT_EQ(core->savedVolumes, (std::vector<int>{3, 0, 1, 2}));
    // Saved before the new volume takes effect.
    EXPECT_EQ((Calls{core->calls.begin(), core->calls.begin() + 3}),
              (Calls{"toggle", "save", "updateSound"}));
}

TEST_F(PauseViewTest, BackToTitleStopsBothAndFlips) {
    show();
    pause->performAction("onBackToTitleBtn", nullptr);
    EXPECT_EQ(core->calls, (Calls{"stopGame", "startTitle", "transition 1 500ms"}));
    EXPECT_EQ(pause->view()->superview(), nullptr);
}

TEST_F(PauseViewTest, ExtraButtonFollowsTheScene) {
    auto plain = JTCore::JTNew<ExtraScene>(nullptr);
    core->scene = plain;
    show();
    EXPECT_TRUE(pause->additional0Btn()->isHidden());

    pause->stop();
    auto extra = JTCore::JTNew<ExtraScene>("Skip level");
    core->scene = extra;
    show();
    EXPECT_FALSE(pause->additional0Btn()->isHidden());
    EXPECT_EQ(pause->additional0Btn()->currentTitle(), "Skip level");
    pause->additional0Btn()->tap();
    EXPECT_EQ(core->calls, (Calls{"resume"}));
    EXPECT_EQ(extra->hooks, 1);

    // Without an app core or scene nothing breaks.
    auto orphan = ViewControllerBase::make<PauseView>();
    orphan->performAction("onSoundBtn", nullptr);
    orphan->performAction("onAdditional0Btn", nullptr);
    orphan->performAction("onBackToTitleBtn", nullptr);
}
