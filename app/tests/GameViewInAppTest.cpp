// The game view as the app core makes and drives it: the factory's view starts the level's
// scene, runs on the clock, pauses into the pause screen with its resume button over the pause
// button, resumes, and ends the run on the way to the game-over screen.

#include <SDL.h>
#include <gtest/gtest.h>

#include "AppCoreTestSupport.h"
#include "app/gameview/GameViewContainer.h"
#include "app/gameview/MyGameView.h"
#include "app/screens/PauseView.h"
#include "online/AnnounceManager.h"
#include "platform/device/Accelerometer.h"
#include "platform/device/TiltScript.h"
#include "platform/gfx/RecordingGL.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/Window.h"

using namespace app;

using namespace appcore_test;

namespace {

class GameViewInAppTest : public AppCoreTest {
  protected:
    GameViewInAppTest() {
        platform::ui::InterfaceLoader::setSearchDirectory(std::string(MOVU_SOURCE_DIR) +
                                                          "/assets/ui");
        platform::ui::Screen::mainScreen().setSize({320, 568});
        core = MyAppCore::create();
        core->applicationDidFinishLaunching(platform::ui::Application::shared());
        // Launching starts the announcement check on its own thread, against a web service
        // that is not there; its answer would reach the main loop whenever that thread gets
        // to it, in the middle of any step below. Taken now, every step runs on the manual
        // clock alone.
        online::AnnounceManager::sharedAnnounceManager().waitForDownload();
        EXPECT_FALSE(online::AnnounceManager::sharedAnnounceManager().isDownloading());
    }
    ~GameViewInAppTest() override {
        core->stopAllViews();
        platform::ui::InterfaceLoader::setSearchDirectory({});
    }

    std::shared_ptr<MyGameView> startGame() {
        core->setCurrentLevelId(1);
        core->startGameView();
        return std::dynamic_pointer_cast<MyGameView>(
            core->currentOrientationDependedInfo().gameView);
    }

    platform::gfx::RecordingGL recorder;
    platform::gfx::ScopedGL scopedGL{recorder};
    std::shared_ptr<MyAppCore> core;
};

TEST_F(GameViewInAppTest, TheAppCoresGameViewPlaysTheLevel) {
    EXPECT_EQ(core->rootViewController()->className(), std::string("MyTitleView"));
    auto view = startGame();
    ASSERT_TRUE(view);
    EXPECT_TRUE(view->started());
    EXPECT_TRUE(view->active());
    EXPECT_EQ(core->window()->rootViewController(), nullptr);
    ASSERT_TRUE(view->gameScene());
    EXPECT_EQ(view->loop().maxSkip(), 3);
    EXPECT_EQ(view->frame(), (platform::Rect{0, 44, 320, 480}));
    ASSERT_EQ(core->window()->subviews().size(), 1u);
    EXPECT_EQ(core->window()->subviews()[0], view->containerView());
    // The game tilts: calibration type 1 gives the view a tilt input at 50 readings a second.
    ASSERT_TRUE(view->accelerometerHelper());
    EXPECT_NEAR(platform::Accelerometer::shared().updateInterval(), 0.02, 1e-12);

    platform::Accelerometer::shared().setScript(platform::TiltScript::constant(0.1));
    loop.advance(1.0);
    EXPECT_GE(view->tickCount(), 33);
    EXPECT_GT(view->accelerometerHelper()->accelerationFromNeutralH(), 0.09);
}

TEST_F(GameViewInAppTest, PauseScreenPutsItsResumeButtonOnThePauseButton) {
    auto view = startGame();
    ASSERT_TRUE(view);
    loop.advance(0.1);
    ASSERT_TRUE(view->pauseBtnEnable());  // the scene placed it at (-27, 25)
    view->enterPause();
    loop.advance(0.5);
    EXPECT_FALSE(view->active());
    auto pause = std::dynamic_pointer_cast<PauseView>(core->rootViewController());
    ASSERT_TRUE(pause);
    ASSERT_TRUE(pause->resumeBtn());
    EXPECT_FALSE(pause->resumeBtn()->isHidden());
    // The pause button, canvas (293, 25) through the letterbox that starts 44 points down, is
    // under the Resume button; the button stays wholly on the screen with a margin.
    auto frame = pause->resumeBtn()->convertRectToView(pause->resumeBtn()->bounds(), nullptr);
    EXPECT_TRUE(frame.contains({293, 69})) << frame.minX() << "," << frame.maxX();
    EXPECT_GE(frame.minX(), 6);
    EXPECT_LE(frame.maxX(), 320 - 6);
    EXPECT_GE(frame.minY(), 6);
    EXPECT_EQ(core->window()->hitTest({293, 69}, nullptr), pause->resumeBtn());

    int ticks = view->tickCount();
    // P or Escape on the pause screen does what Resume does.
    EXPECT_TRUE(core->resumeFromPauseScreen());
    EXPECT_TRUE(view->active());
    EXPECT_FALSE(core->resumeFromPauseScreen());  // no pause screen any more
    loop.advance(0.5);
    EXPECT_GT(view->tickCount(), ticks);
}

TEST_F(GameViewInAppTest, AGameResumedByKeySteersFromWhereThePointerWasLeft) {
    auto view = startGame();
    ASSERT_TRUE(view);
    auto& accelerometer = platform::Accelerometer::shared();
    accelerometer.setWindowWidth(320);
    loop.advance(0.1);
    view->enterPause();
    loop.advance(0.5);
    ASSERT_FALSE(view->active());

    // While the game is paused the pointer wanders off to the right edge; P resumes.
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 316;
    accelerometer.handleEvent(motion);
    ASSERT_TRUE(core->resumeFromPauseScreen());
    loop.advance(1.0);
    EXPECT_NEAR(view->accelerometerHelper()->accelerationFromNeutralH(), 0, 0.01);

    // Moving it steers from where it rested: half way back to the left edge is a left turn.
    motion.motion.x = 158;
    accelerometer.handleEvent(motion);
    loop.advance(1.0);
    EXPECT_LT(view->accelerometerHelper()->accelerationFromNeutralH(), -0.1);
}

TEST_F(GameViewInAppTest, GoingToTheBackgroundShowsThePauseScreenAtOnce) {
    auto view = startGame();
    ASSERT_TRUE(view);
    loop.advance(0.1);
    platform::ui::Application::shared().enterBackground();
    EXPECT_FALSE(view->active());
    EXPECT_TRUE(std::dynamic_pointer_cast<PauseView>(core->rootViewController()));
}

TEST_F(GameViewInAppTest, GameOverEndsTheRunAndLeavesTheWindow) {
    auto view = startGame();
    ASSERT_TRUE(view);
    loop.advance(0.1);
    core->appContext()->gameOver(1234);
    EXPECT_FALSE(view->started());
    EXPECT_FALSE(view->active());
    EXPECT_FALSE(view->timer());
    EXPECT_FALSE(view->superview());
    int ticks = view->tickCount();
    loop.advance(1.0);
    EXPECT_EQ(view->tickCount(), ticks);
}

}  // namespace
