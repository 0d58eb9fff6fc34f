#include <gtest/gtest.h>

#include <cmath>

#include "AppCoreTestSupport.h"
#include "app/screens/AppScreenSeams.h"
#include "app/screens/PauseView.h"
#include "app/screens/SimpleSelectView.h"
#include "app/testsupport/AppCoreBaseTestAccess.h"
#include "app/textures/Texture2D.h"
#include "appbase/JTLevelManager.h"
#include "platform/base/LogSink.h"
#include "platform/gfx/GLContext.h"
#include "platform/gfx/GLES1.h"
#include "platform/gfx/RecordingGL.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Window.h"
#include "scores/LevelScoreElem.h"
#include "scores/LevelScores.h"

namespace ui = platform::ui;

using namespace app;

using namespace appcore_test;

namespace {

class AppCoreScreenSwitching : public AppCoreTest {
  protected:
    std::shared_ptr<TestAppCore> launch(bool title, bool gameView) {
        auto core = TestAppCore::make(title, gameView);
        core->applicationDidFinishLaunching(platform::ui::Application::shared());
        return core;
    }
    static std::string rootName(const std::shared_ptr<TestAppCore>& core) {
        auto root = core->window()->rootViewController();
        return root ? root->className() : "none";
    }
};

}  // namespace

TEST_F(AppCoreScreenSwitching, LaunchLifeCycleAndAnnouncements) {
    auto core = launch(true, false);
    auto& am = online::AnnounceManager::sharedAnnounceManager();
    EXPECT_TRUE(core->window()->isKeyWindow());
    EXPECT_FALSE(core->window()->isHidden());
    EXPECT_EQ(rootName(core), "TitleScreen");
    EXPECT_EQ(am.appCore(), core);
    EXPECT_EQ(core->window()->bounds().size, (platform::Size{320, 480}));

    core->applicationDidEnterBackground(platform::ui::Application::shared());
    EXPECT_TRUE(am.isShutdown());
    core->applicationWillEnterForeground(platform::ui::Application::shared());
    EXPECT_FALSE(am.isShutdown());
    EXPECT_FALSE(AppCoreBaseTestAccess::inApplicationWillEnterForeground(*core));
    core->applicationWillTerminate(platform::ui::Application::shared());
    EXPECT_TRUE(am.isShutdown());

    EXPECT_EQ(core->appCopyrightString(), "(c) test");
    EXPECT_EQ(core->gameId(), 1023);
    EXPECT_EQ(core->appDisplayName(), "Movuroute");
    EXPECT_EQ(core->accelerometerCalibrationType(), 1);
}

TEST_F(AppCoreScreenSwitching, ScreensNotInThisProgramChangeNothing) {
    auto core = launch(false, false);
    EXPECT_EQ(rootName(core), "none");
    core->startPauseView();
    EXPECT_EQ(rootName(core), "PauseView");

    core->startTitleView();
    core->startToolsView();
    core->startGameView();
    EXPECT_EQ(rootName(core), "PauseView");
    // Resources come first, as for a real start; without a game view nothing is started.
    EXPECT_EQ(core->resourceLoads, 1);
    EXPECT_FALSE(AppCoreBaseTestAccess::startedGameAfterLaunchingApp(*core));
    EXPECT_EQ(core->appContext()->getLevelInfo(), nullptr);

    // The game-over screen: the placeholder comes and goes, nothing replaces it.
    core->startGameOverViewWithLevelScores(nullptr, nullptr);
    auto placeholder = core->rootViewController();
    ASSERT_TRUE(placeholder);
    EXPECT_EQ(placeholder->className(), std::string("ViewControllerBase"));
    EXPECT_EQ(placeholder->view()->superview(), nullptr);
}

TEST_F(AppCoreScreenSwitching, PauseResumeAndThePlaceholder) {
    auto core = launch(true, true);
    core->setCurrentLevelId(1);
    core->startGameView();
    auto gameView = core->lastGameView;
    ASSERT_TRUE(gameView);
    gameView->pauseBtn = {290, 30};

    core->startPauseView();
    auto pause = std::dynamic_pointer_cast<PauseView>(core->rootViewController());
    ASSERT_TRUE(pause);
    EXPECT_EQ(core->window()->rootViewController(), pause);
    EXPECT_EQ(pause->nibName(), "Pause_Portrait");
    EXPECT_EQ(pause->resumeBtnPos(), (platform::Point{290, 30}));
    EXPECT_EQ(pause->appCore(), std::shared_ptr<AppCoreScreens>(core->screenSeams()));

    core->resumeGameView();
    EXPECT_EQ(core->rootViewController(), nullptr);
    EXPECT_EQ(rootName(core), "none");
    EXPECT_EQ(gameView->calls.back(), "resume");

    // The same pause screen comes back for the same orientation.
    core->startPauseView();
    EXPECT_EQ(core->rootViewController(), pause);

    auto dummy = AppCoreBaseTestAccess::startDummyView(*core);
    EXPECT_EQ(core->rootViewController(), dummy);
    EXPECT_EQ(dummy->view()->backgroundColor(), platform::Color::black());
    // As the window's root its view fills the window, over whatever was there.
    EXPECT_EQ(dummy->view()->superview(), core->window());

    auto select = core->simpleSelectView();
    ASSERT_TRUE(select);
    EXPECT_EQ(select->nibName(), "SimpleSelect_Portrait");
    EXPECT_EQ(core->simpleSelectView(), select);
}

TEST_F(AppCoreScreenSwitching, GameStartsAfterTheShowOpportunity) {
    auto core = launch(true, true);
    ASSERT_FALSE(AppCoreBaseTestAccess::settingsLoadedAtLaunch(*core));
    core->setCurrentLevelId(1);
    core->startGameViewFromTitle();
    auto gameView = core->lastGameView;
    ASSERT_TRUE(gameView);
    EXPECT_TRUE(gameView->started());
    EXPECT_EQ(rootName(core), "none");
    EXPECT_TRUE(AppCoreBaseTestAccess::startedGameAfterLaunchingApp(*core));
    EXPECT_TRUE(AppCoreBaseTestAccess::resourceLoaded(*core));
    EXPECT_EQ(core->resourceLoads, 1);
    EXPECT_EQ(core->appContext()->getGameView(), gameView);
    EXPECT_EQ(gameView->calls, (std::vector<std::string>{"scene", "start"}));

    // A second game reuses the view and the loaded resources; the old scene is dropped first.
    core->startGameView();
    EXPECT_EQ(core->lastGameView, gameView);
    EXPECT_EQ(core->resourceLoads, 1);
    EXPECT_EQ(gameView->calls,
              (std::vector<std::string>{"scene", "start", "no scene", "scene", "start"}));
}

TEST_F(AppCoreScreenSwitching, UnknownLevelReturnsToTheTitleInsteadOfAnEmptyGame) {
    auto core = launch(true, true);
    core->setCurrentLevelId(42);
    core->startGameView();
    ASSERT_TRUE(core->lastGameView);
    EXPECT_FALSE(core->lastGameView->started());
    EXPECT_EQ(rootName(core), "TitleScreen");
    EXPECT_FALSE(AppCoreBaseTestAccess::startedGameAfterLaunchingApp(*core));
}

TEST_F(AppCoreScreenSwitching, OrientationRecordsAndLayout) {
    auto core = launch(true, false);
    EXPECT_EQ(OrientationDependedInfo::interfaceOrientationOfIndex(0), 1);
    EXPECT_EQ(OrientationDependedInfo::interfaceOrientationOfIndex(1), 3);
    EXPECT_EQ(OrientationDependedInfo::interfaceOrientationOfIndex(2), 2);
    EXPECT_EQ(OrientationDependedInfo::interfaceOrientationOfIndex(3), 4);
    EXPECT_EQ(OrientationDependedInfo::interfaceOrientationOfIndex(7), 1);
    EXPECT_EQ(&core->screens().recordFor(ui::InterfaceOrientation(5)),
              &core->screens().recordAtIndex(0));
    EXPECT_EQ(&core->screens().recordFor(ui::OrientationLandscapeLeft),
              &core->screens().recordAtIndex(3));
    EXPECT_EQ(&core->screens().recordFor(ui::OrientationPortraitUpsideDown),
              &core->screens().recordAtIndex(2));

    auto view = platform::ui::View::create({0, 0, 10, 10});
    core->screens().applyInterfaceOrientation(ui::OrientationLandscapeRight, *view);
    EXPECT_EQ(view->bounds(), (platform::Rect{0, 0, 480, 320}));
    EXPECT_EQ(view->center(), (platform::Point{240, 160}));
    EXPECT_EQ(view->transform(), platform::AffineTransform::rotation(M_PI / 2));
    core->screens().applyInterfaceOrientation(ui::OrientationPortrait, *view);
    EXPECT_EQ(view->bounds(), (platform::Rect{0, 0, 320, 480}));
    EXPECT_TRUE(view->transform().isIdentity());
    core->screens().applyInterfaceOrientation(ui::InterfaceOrientation(9), *view);
    EXPECT_EQ(view->bounds(), (platform::Rect{0, 0, 320, 480}));

    // A level laid out in landscape turns the app.
    core->setCurrentLevelId(1);
    EXPECT_FALSE(core->updateInterfaceOrientation());
    core->appContext()->getLevelManager()->getLevelInfoById(1)->setCanvasLayout(1);
    EXPECT_TRUE(core->updateInterfaceOrientation());
    EXPECT_EQ(core->interfaceOrientation(), 3);
    EXPECT_TRUE(core->landscape());
    EXPECT_EQ(core->screens().nibSuffixRotation(), "_Landscape");
    EXPECT_FALSE(core->updateInterfaceOrientation());
}

TEST_F(AppCoreScreenSwitching, CurrentLevelCacheKeepsItsRecord) {
    auto core = launch(true, false);
    core->setCurrentLevelId(3);
    auto level = core->currentLevelInfo();
    ASSERT_TRUE(level);
    EXPECT_EQ(level->levelId(), 3);
    // Rebuilding the level list replaces the records; the cached one stays whole.
    core->appContext()->getLevelManager()->reset();
    EXPECT_EQ(level->levelId(), 3);
    EXPECT_EQ(core->currentLevelInfo(), level);
    core->setCurrentLevelId(1);
    EXPECT_EQ(core->currentLevelInfo()->levelId(), 1);
    EXPECT_EQ(core->levelInfoForId(99), nullptr);
}

TEST_F(AppCoreScreenSwitching, NeutralTiltByCalibrationType) {
    auto core = launch(true, false);
    core->setAccelerometerCalibrationType(2);
    core->resetNeutralAcceleromterValueFor(ui::OrientationPortrait);
    core->resetNeutralAcceleromterValueFor(ui::OrientationLandscapeLeft);
    const double t = 0.5237733085234983;
    auto& portrait = core->settings().neutralFor(ui::OrientationPortrait);
    EXPECT_DOUBLE_EQ(portrait.y, -std::sin(t));
    EXPECT_DOUBLE_EQ(portrait.z, -std::cos(t));
    auto& left = core->settings().neutralFor(ui::OrientationLandscapeLeft);
    EXPECT_DOUBLE_EQ(left.x, -std::sin(t));
    EXPECT_EQ(left.y, 0.0);
}

TEST_F(AppCoreScreenSwitching, ResourceTablesLoadReleaseAndReload) {
    platform::gfx::RecordingGL rec;
    platform::gfx::ScopedGL scope{rec};
    platform::Bundle::setMainBundlePath(kAssets);
    platform::ui::Screen::mainScreen().setScale(2.0);
    auto core = launch(true, true);
    core->recordResources = false;
    core->setCurrentLevelId(1);
    core->startGameView();

    for (int i = 0; i < AppCoreBase::kTextureCount; ++i) {
        auto t = std::dynamic_pointer_cast<Texture2D>(core->texture(i));
        ASSERT_TRUE(t) << i;
        EXPECT_FLOAT_EQ(t->contentsScale(), 2.0f) << i;
    }
    EXPECT_EQ(core->texture(5), nullptr);
    EXPECT_EQ(core->texture(-1), nullptr);
    EXPECT_EQ(core->sound(4), nullptr);
    EXPECT_EQ(core->sound(-1), nullptr);
    EXPECT_EQ(core->music(0), nullptr);
    EXPECT_FALSE(core->hasMusicResources());
    ASSERT_TRUE(core->texIconPause());

    const char* soundNames[] = {"fall2", "go", "fly2_06_22k", "bom1s"};
    for (int i = 0; i < AppCoreBase::kSoundCount; ++i) {
        auto s = std::dynamic_pointer_cast<sound::SoundObj>(core->sound(i));
        ASSERT_TRUE(s) << i;
        EXPECT_EQ(fs::path(s->resourcePath()).filename(), std::string(soundNames[i]) + ".wav");
    }
    EXPECT_EQ(sound::SoundObj::soundObjs().size(), 4u);
    // A sound loaded into a filled slot: the old one is disposed of, not left in the engine.
    std::weak_ptr<JTAppBase::ShellSound> oldFall = core->sound(0);
    core->loadSEAt(0, "fall2");
    EXPECT_TRUE(oldFall.expired());
    EXPECT_EQ(sound::SoundObj::soundObjs().size(), 4u);
    core->loadSEAt(4, "fall2");  // no such slot
    EXPECT_EQ(sound::SoundObj::soundObjs().size(), 4u);

    // Loading into a filled slot replaces the texture and frees the old one once.
    std::weak_ptr<JTAppBase::ShellTexture> oldCar = core->texture(1);
    int deletes = rec.count("glDeleteTextures");
    core->loadImageAt(1, "movucar");
    EXPECT_TRUE(oldCar.expired());
    EXPECT_EQ(rec.count("glDeleteTextures"), deletes + 1);
    core->loadImageAt(7, "movucar");  // no such slot: ignored

    core->cutEdgeImageAt(1);
    auto car = std::dynamic_pointer_cast<Texture2D>(core->texture(1));
    EXPECT_FLOAT_EQ(car->edgeMarginH(), 0.5f / car->pixelsWide());
    EXPECT_FLOAT_EQ(car->edgeMarginV(), 0.5f / car->pixelsHigh());

    // Released: every slot and the pause icon are empty, and the next game loads afresh.
    auto gameView = core->lastGameView;
    core->releaseResources();
    EXPECT_FALSE(AppCoreBaseTestAccess::resourceLoaded(*core));
    EXPECT_EQ(core->texIconPause(), nullptr);
    for (int i = 0; i < AppCoreBase::kTextureCount; ++i) EXPECT_EQ(core->texture(i), nullptr);
    for (int i = 0; i < AppCoreBase::kSoundCount; ++i) EXPECT_EQ(core->sound(i), nullptr);
    EXPECT_TRUE(sound::SoundObj::soundObjs().empty());
    EXPECT_EQ(core->appContext()->getGameView(), nullptr);
    core->releaseResources();  // twice is harmless

    core->startGameView();
    EXPECT_TRUE(AppCoreBaseTestAccess::resourceLoaded(*core));
    EXPECT_NE(core->lastGameView, gameView);
    EXPECT_TRUE(core->texture(0));
    EXPECT_TRUE(core->texIconPause());
}

namespace {

class GameOverStandIn : public ViewControllerBase, public GameOverScreen {
  public:
    const char* className() const override { return "GameOverStandIn"; }
    void startWithLevelScores(const std::shared_ptr<scores::LevelScores>& scores,
                              const std::shared_ptr<scores::LevelScoreElem>& score) override {
        started = true;
        gotScores = scores;
        gotScore = score;
    }
    bool started = false;
    std::shared_ptr<scores::LevelScores> gotScores;
    std::shared_ptr<scores::LevelScoreElem> gotScore;
};

// Stands in for the screens later work provides, to see the switching around them.
class FullAppCore : public TestAppCore {
  public:
    std::shared_ptr<GameOverStandIn> gameOver;
    std::shared_ptr<ViewControllerBase> makeGameOverView() override {
        gameOver = ViewControllerBase::make<GameOverStandIn>();
        return gameOver;
    }
    std::vector<std::shared_ptr<ViewControllerBase>> makeToolsViewContents() override {
        return {ViewControllerBase::make<ViewControllerBase>(),
                ViewControllerBase::make<ViewControllerBase>(),
                ViewControllerBase::make<ViewControllerBase>()};
    }
};

struct FakeContext : platform::gfx::GLContext {
    bool accept = true;
    int makes = 0;
    bool makeCurrent() override {
        ++makes;
        return accept;
    }
    bool isCurrent() const override { return makes > 0 && accept; }
    bool clearCurrent() override { return true; }
    bool present() override { return true; }
    int width() const override { return 320; }
    int height() const override { return 480; }
};

}  // namespace

TEST_F(AppCoreScreenSwitching, GameOverToolsAndTransitions) {
    auto core = std::make_shared<FullAppCore>();
    core->withTitle = true;
    core->init();
    core->applicationDidFinishLaunching(platform::ui::Application::shared());

    auto scores = scores::LevelScores::create(core->levelInfoForId(1), core->scoreSigner());
    auto score = scores::LevelScoreElem::create(1200, platform::Date{1700000000});
    core->startGameOverViewWithLevelScores(scores, score);
    ASSERT_TRUE(core->gameOver);
    EXPECT_TRUE(core->gameOver->started);
    EXPECT_EQ(core->gameOver->gotScores, scores);
    EXPECT_EQ(core->gameOver->gotScore, score);
    EXPECT_EQ(core->rootViewController(), core->gameOver);
    EXPECT_EQ(core->gameOver->appCore(), std::shared_ptr<AppCoreScreens>(core->screenSeams()));
    auto transition = core->window()->activeTransition();
    ASSERT_TRUE(transition);
    EXPECT_EQ(static_cast<int>(transition->kind), 4);
    EXPECT_DOUBLE_EQ(transition->duration, 0.5);
    loop.advance(0.5);
    EXPECT_FALSE(core->window()->activeTransition());

    core->startToolsView();
    auto tools =
        std::dynamic_pointer_cast<MyTabBarController>(core->window()->rootViewController());
    ASSERT_TRUE(tools);
    ASSERT_EQ(tools->viewControllers().size(), 3u);
    for (auto& tab : tools->viewControllers()) {
        auto nav = std::dynamic_pointer_cast<MyNavigationController>(tab);
        ASSERT_TRUE(nav);
        EXPECT_EQ(nav->appCore(), std::shared_ptr<AppCoreScreens>(core->screenSeams()));
        auto content = std::dynamic_pointer_cast<ViewControllerBase>(nav->viewControllers().at(0));
        ASSERT_TRUE(content);
        EXPECT_EQ(content->appCore(), std::shared_ptr<AppCoreScreens>(core->screenSeams()));
    }
    // The tab bar is made once per orientation.
    core->startTitleView();
    core->startToolsView();
    EXPECT_EQ(core->window()->rootViewController(), tools);

    // Stopping everything also clears views left in the window by someone else.
    core->window()->addSubview(platform::ui::View::create({0, 0, 5, 5}));
    platform::LogSink::Capture log;
    core->stopAllViews();
    EXPECT_TRUE(log.contains("old subview exists: UIView"));
    EXPECT_TRUE(core->window()->subviews().empty());
    EXPECT_EQ(core->rootViewController(), nullptr);
}

TEST_F(AppCoreScreenSwitching, StoppingAScreenThatPresentsAnAdTakesTheAdAlongCleanly) {
    auto core = std::make_shared<FullAppCore>();
    core->withTitle = true;
    core->init();
    core->applicationDidFinishLaunching(platform::ui::Application::shared());
    auto scores = scores::LevelScores::create(core->levelInfoForId(1), core->scoreSigner());
    core->startGameOverViewWithLevelScores(
        scores, scores::LevelScoreElem::create(1200, platform::Date{1700000000}));
    loop.advance(0.5);
    // An interstitial stands over the game-over screen when the program ends.
    auto interstitial = platform::ui::ViewController::create();
    ASSERT_TRUE(core->gameOver->presentViewController(interstitial, true));
    loop.advance(1.0);
    ASSERT_TRUE(interstitial->view()->window());

    // And an announcement's pop-up stands over both.
    auto popup = platform::ui::AlertView::create("News", "A new level", {}, "Later");
    popup->show();
    ASSERT_TRUE(popup->isVisible());

    platform::LogSink::Capture log;
    core->stopAllViews();
    EXPECT_FALSE(log.contains("old subview exists")) << log.lines().front();
    EXPECT_FALSE(interstitial->view()->superview());
    EXPECT_FALSE(core->gameOver->presentedViewController());
    // The pop-up is no screen's leftover: it stays until it is answered.
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(core->window()->subviews(),
              std::vector<std::shared_ptr<platform::ui::View>>{popup->view()});
}

TEST_F(AppCoreScreenSwitching, FirstEverGameHasItsOwnShowContext) {
    auto core = launch(true, true);
    EXPECT_EQ(AppCoreBaseTestAccess::gameStartPopupContext(*core),
              online::AnnounceManager::kContextFirstStart);
    core->setCurrentLevelId(1);
    core->startGameViewFromTitle();
    EXPECT_EQ(AppCoreBaseTestAccess::gameStartPopupContext(*core),
              online::AnnounceManager::kContextStartFromTitle);
    // With settings from an earlier launch, even the first game of this run is a plain start.
    EXPECT_EQ(AppCoreBaseTestAccess::gameStartPopupContext(*TestAppCore::make(true, true)),
              online::AnnounceManager::kContextStartFromTitle);
}

TEST_F(AppCoreScreenSwitching, SharedGLContextFromTheProgram) {
    auto context = std::make_shared<FakeContext>();
    auto core = TestAppCore::make(false, false, context);
    EXPECT_EQ(core->eaglContext(), context);
    AppCoreBaseTestAccess::setCurrentEAGLContext(*core);
    EXPECT_EQ(context->makes, 1);

    context->accept = false;
    ::testing::internal::CaptureStdout();
    AppCoreBaseTestAccess::setCurrentEAGLContext(*core);
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Failed to set current context 0x"), std::string::npos) << out;
    EXPECT_NE(out.find(" in -[AppCoreBase setCurrentEAGLContext]\n"), std::string::npos) << out;
}
