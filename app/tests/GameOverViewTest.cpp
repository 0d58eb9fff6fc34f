#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "AppCoreTestSupport.h"
#include "app/gameview/GameViewBase.h"
#include "app/screens/GameOverView.h"
#include "app/screens/MyGameOverView.h"
#include "app/testsupport/AppCoreBaseTestAccess.h"
#include "appbase/JTLevelManager.h"
#include "core/JTString.h"
#include "game/MyLevelManager.h"
#include "online/DuRezSupport.h"
#include "platform/device/Accelerometer.h"
#include "platform/device/TiltScript.h"
#include "platform/gfx/Image.h"
#include "platform/storage/PropertyList.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/Window.h"
#include "scores/LevelScoreElem.h"
#include "scores/LevelScores.h"
#include "util/Crc32.h"

namespace ui = platform::ui;

using namespace app;

using namespace appcore_test;
using JTCore::NewJTString;

namespace {

// The game's level manager with level download switched on, and level 1 followed by level 3
// when asked to.
class DownloadingLevelManager : public JTApp::MyLevelManager {
  public:
    using MyLevelManager::MyLevelManager;
    bool usesLevelHashes() override { return true; }
    JTAppBase::JTLevelInfoPtr getNextLevelInfo(const JTAppBase::JTLevelInfoPtr& level) override {
        if (!withNext || !level || level->getId() != 1) return nullptr;
        return getLevelInfoById(3);
    }
    bool withNext = false;
};

// The app core's own game-over screen (the test core leaves it out); this game has no
// interface file for level download, so a manager that downloads levels can be given the plain
// one.
class GameOverAppCore : public TestAppCore {
  public:
    bool plainFile = false;
    std::shared_ptr<ViewControllerBase> makeGameOverView() override {
        if (!plainFile) return programScreens.createGameOverView(*this);
        auto screen = ViewControllerBase::make<MyGameOverView>("GameOver_Portrait_Free");
        screen->setAppCore(std::weak_ptr<GameOverViewCore>(screenSeams()));
        return screen;
    }
};

class GameOverViewScreen : public AppCoreTest {
  protected:
    std::shared_ptr<GameOverAppCore> core;

    GameOverViewScreen() {
        platform::ui::InterfaceLoader::setSearchDirectory(std::string(MOVU_SOURCE_DIR) +
                                                          "/assets/ui");
        core = std::make_shared<GameOverAppCore>();
        core->withTitle = core->withGameView = core->recordResources = true;
        core->init();
        core->applicationDidFinishLaunching(platform::ui::Application::shared());
        core->setCurrentLevelId(1);
        core->startGameView();  // the context's current level is now level 1
    }
    ~GameOverViewScreen() override { platform::ui::InterfaceLoader::setSearchDirectory({}); }

    JTAppBase::JTLevelManagerPtr manager() { return core->appContext()->getLevelManager(); }

    // A run of level 1 that ended with `points`, as the game view reports it.
    std::shared_ptr<GameOverView> gameOver(int32_t points) {
        auto scores = scores::OpenLevelScores(core->levelInfoForId(1), core->scoreSigner());
        auto run = scores::LevelScoreElem::create(points, platform::Date{1700000000});
        scores->registerScore(run);
        EXPECT_TRUE(scores->save());
        core->startGameOverViewWithLevelScores(scores, run);
        loop.runUntilIdle();
        return std::dynamic_pointer_cast<GameOverView>(core->rootViewController());
    }

    std::string lastOpened() const {
        return opened.empty() || opened.back().empty() ? "" : opened.back().back();
    }
};

}  // namespace

TEST_F(GameOverViewScreen, ShowsTheRunAndItsRecentScoresFromTheInterfaceFile) {
    gameOver(120);
    auto screen = gameOver(340);
    ASSERT_TRUE(screen);
    EXPECT_STREQ(screen->className(), "MyGameOverView");
    EXPECT_EQ(screen->nibName(), "GameOver_Portrait_Free");
    EXPECT_TRUE(screen->loadError().empty()) << screen->loadError();
    EXPECT_EQ(core->window()->rootViewController(), screen);
    ASSERT_TRUE(screen->currentScoreLabel());
    EXPECT_EQ(screen->currentScoreLabel()->text(), "340 pts.");

    const auto& labels = screen->scoresViewer()->recentScoreLabels();
    ASSERT_EQ(labels.size(), 3u);
    ASSERT_TRUE(labels[0] && labels[1] && labels[2]);
    EXPECT_EQ(labels[0]->text().rfind("340 pts. (", 0), 0u);
    EXPECT_EQ(labels[0]->textColor(), platform::Color::rgba(1, 1, 0));
    EXPECT_EQ(labels[1]->text().rfind("120 pts. (", 0), 0u);
    EXPECT_EQ(labels[1]->textColor(), platform::Color::whiteColor());
    EXPECT_EQ(labels[2]->text(), "-----");
    const auto& buttons = screen->scoresViewer()->recentScoreSubmitBtns();
    EXPECT_FALSE(buttons[1]->isHidden());
    EXPECT_TRUE(buttons[2]->isHidden());

    // This game has no level download: the file keeps those buttons hidden.
    EXPECT_TRUE(screen->nextLevelButton()->isHidden());
    EXPECT_TRUE(screen->moreLevelsButton()->isHidden());
    EXPECT_TRUE(screen->contentView());
    EXPECT_TRUE(screen->announceAltanativeView());
}

TEST_F(GameOverViewScreen, NoticesOfTheRunComeAsAlertsOneAfterAnother) {
    manager()->beginPendingMessages();
    manager()->showMessage(NewJTString("Congratulations!"), NewJTString("Level 3 unlocked."));
    manager()->showMessage(NewJTString("Second"), NewJTString("Another notice."));
    EXPECT_EQ(platform::ui::AlertView::visibleAlert(), nullptr);  // held back during the run

    auto screen = gameOver(9000);
    ASSERT_TRUE(screen);
    EXPECT_EQ(alertTexts(), (std::vector<std::string>{"Congratulations!", "Level 3 unlocked."}));
    EXPECT_EQ(platform::ui::AlertView::queuedCount(), 1u);
    platform::ui::AlertView::visibleAlert()->tapButton(0);
    loop.runUntilIdle();
    EXPECT_EQ(alertTexts(), (std::vector<std::string>{"Second", "Another notice."}));
    platform::ui::AlertView::visibleAlert()->tapButton(0);
    loop.runUntilIdle();
    EXPECT_EQ(platform::ui::AlertView::visibleAlert(), nullptr);

    // The queue was taken: the next game over shows nothing, later notices show at once.
    EXPECT_FALSE(manager()->hasPendingMessages());
    gameOver(10);
    EXPECT_EQ(platform::ui::AlertView::visibleAlert(), nullptr);
}

TEST_F(GameOverViewScreen, SubmitAndJumpButtonsOpenTheWebServicePages) {
    auto screen = gameOver(340);
    ASSERT_TRUE(screen);

    screen->performAction("onSubmitScoreBtn", nullptr);
    const std::string submit = lastOpened();
    EXPECT_NE(submit.find("cmd/postSc?"), std::string::npos) << submit;
    EXPECT_NE(submit.find("&lid=1&"), std::string::npos) << submit;
    EXPECT_NE(submit.find("&sc=340&"), std::string::npos) << submit;
    EXPECT_NE(submit.find("&dt=1700000000&"), std::string::npos) << submit;
    EXPECT_EQ(submit.find("&hs="), std::string::npos) << submit;  // never a high score

    // A recent score's own button submits that score.
    screen->scoresViewer()->recentScoreSubmitBtns()[0]->tap();
    EXPECT_EQ(lastOpened(), submit);

    screen->performAction("onOtherGamesBtn", nullptr);
    EXPECT_NE(lastOpened().find("cmd/jump?"), std::string::npos);
    EXPECT_NE(lastOpened().find("&tgt=3&"), std::string::npos) << lastOpened();
    EXPECT_EQ(lastOpened().find("&lid="), std::string::npos);

    screen->performAction("onMoreLevelsBtn", nullptr);
    EXPECT_NE(lastOpened().find("&tgt=7&"), std::string::npos) << lastOpened();
    EXPECT_NE(lastOpened().find("&lid=1&"), std::string::npos) << lastOpened();
}

TEST_F(GameOverViewScreen, ReplayAndBackToTitleLeaveTheScreen) {
    auto screen = gameOver(340);
    ASSERT_TRUE(screen);
    auto gameView = core->lastGameView;
    ASSERT_TRUE(gameView);
    gameView->calls.clear();

    // No next level in this game: the button must not start a level that does not exist.
    screen->performAction("onNextLevelBtn", nullptr);
    EXPECT_EQ(core->currentLevelId(), 1);
    EXPECT_TRUE(gameView->calls.empty());
    EXPECT_EQ(core->window()->rootViewController(), screen);

    screen->performAction("onReplayBtn", nullptr);
    EXPECT_EQ(screen->view()->superview(), nullptr);
    EXPECT_EQ(gameView->calls.back(), "start");
    EXPECT_TRUE(gameView->started());

    screen = gameOver(50);
    screen->performAction("onBackToTitleBtn", nullptr);
    EXPECT_EQ(screen->view()->superview(), nullptr);
    EXPECT_STREQ(core->window()->rootViewController()->className(), "TitleScreen");
}

TEST_F(GameOverViewScreen, DownloadSwitchesDecideTheNextAndMoreLevelButtons) {
    auto context = core->appContext();
    auto downloading = JTCore::JTNew<DownloadingLevelManager>(context);
    context->setLevelManager(downloading);
    downloading->reset();
    core->startGameView();  // level 1 again, from the new manager
    EXPECT_EQ(AppCoreBaseTestAccess::createGameOverView(*core)->nibName(),
              "GameOver_Portrait_Free_DlLevels");
    core->plainFile = true;

    auto screen = gameOver(340);
    ASSERT_TRUE(screen);
    EXPECT_TRUE(screen->nextLevelButton()->isHidden());
    EXPECT_FALSE(screen->moreLevelsButton()->isHidden());

    downloading->withNext = true;
    screen = gameOver(350);
    EXPECT_EQ(screen->nextLevelId(), 3);
    EXPECT_FALSE(screen->nextLevelButton()->isHidden());
    EXPECT_TRUE(screen->moreLevelsButton()->isHidden());

    core->lastGameView->calls.clear();
    screen->performAction("onNextLevelBtn", nullptr);
    EXPECT_EQ(core->currentLevelId(), 3);
    EXPECT_EQ(core->lastGameView->calls.back(), "start");
}

TEST_F(GameOverViewScreen, TheScreenAndItsViewerDoNotKeepEachOtherAlive) {
    auto screen = ViewControllerBase::make<MyGameOverView>();
    screen->setAppCore(std::weak_ptr<GameOverViewCore>(core->screenSeams()));
    auto scores = scores::OpenLevelScores(core->levelInfoForId(1), core->scoreSigner());
    scores->registerScore(scores::LevelScoreElem::create(5, platform::Date{1700000000}));
    screen->startWithLevelScores(scores, scores->recentScores()[0]);
    std::weak_ptr<scores::ScoresViewer> viewer = screen->scoresViewer();
    std::weak_ptr<GameOverView> gone = screen;

    core->window()->setRootViewController(nullptr);
    core->setRootViewController(nullptr);
    screen.reset();
    EXPECT_TRUE(gone.expired());
    EXPECT_TRUE(viewer.expired());
}

TEST_F(GameOverViewScreen, AnnouncementBannerSitsAtTheBottomInPortraitAndRightInLandscape) {
    auto& am = online::AnnounceManager::sharedAnnounceManager();
    auto cacheDir = am.prepareCacheDir();
    ASSERT_TRUE(cacheDir);
    // A banner shows only with a picture: one, cached under its name and CRC as a check
    // leaves it.
    auto picture = platform::gfx::Image::blank(20, 10).encodePng();
    const std::string png(picture.begin(), picture.end());
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08x",
                  util::Crc32OfBytes(png.data(), static_cast<int32_t>(png.size())));
    writeFile(*cacheDir / (std::string("p.png.") + crc), png);
    auto list = platform::Value::array({platform::Value::array({"HPVe", "Am1"}),
                                        platform::Value::array({"HVSi", "320", "50"}),
                                        platform::Value::array({"Fi", "p", "p.png", crc}),
                                        platform::Value::array({"UI", "0", "0", "p"})});
    writeFile(*cacheDir / online::AnnounceManager::kAnnounceFileName,
              *platform::PropertyList::serialize(list, platform::PropertyListFormat::Xml));

    auto screen = gameOver(340);
    ASSERT_TRUE(screen);
    auto banner = am.bannerView();
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->superview(), screen->contentView());
    EXPECT_EQ(banner->center(), (platform::Point{160, 455}));  // bottom edge on y = 480
    EXPECT_EQ(screen->announceAltanativeView()->superview(), nullptr);

    screen->viewWillDisappear(false);
    EXPECT_EQ(banner->superview(), nullptr);

    core->screens().setOrientation(ui::OrientationLandscapeRight);
    screen->viewWillAppear(false);
    EXPECT_EQ(am.bannerView()->center(), (platform::Point{320, 160}));  // right edge on x = 480
}

TEST_F(GameOverViewScreen, AdBannerComesWithTheScreenAndItsTopIsKeptClearForIt) {
    auto& am = online::AnnounceManager::sharedAnnounceManager();
    // The platform's banner: made hidden in the screen's view, gone with the screen.
    am.setAmProperties(platform::Value::dictionary({{"durezEnable", "2"}}));
    EXPECT_TRUE(core->canShowIAd());
    auto screen = gameOver(340);
    ASSERT_TRUE(screen);
    auto ads = core->duRezSupport();
    ASSERT_TRUE(ads);
    EXPECT_EQ(ads->duRezPublisherId(), AppCoreBase::kBannerAdUnitId);
    EXPECT_TRUE(ads->visible());
    EXPECT_FALSE(ads->iAdView()) << "its failure came on a later turn and took it away";
    screen->viewWillDisappear(false);
    EXPECT_FALSE(ads->visible());
    screen->viewWillAppear(false);
    auto banner = ads->iAdView();
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->superview(), screen->view());
    screen->viewWillDisappear(false);
    EXPECT_EQ(banner->superview(), nullptr);

    // Our 320 x 50 banner goes at the top of the content view: nothing else may sit there.
    for (const auto& v : screen->view()->subviews()) {
        if (v == screen->contentView()) continue;
        EXPECT_GE(v->frame().origin.y, 50) << v->className();
    }
    am.setAmProperties(platform::Value::dictionary({{"durezEnable", "1"}}));
    EXPECT_FALSE(core->canShowIAd());
    am.setAmProperties(std::nullopt);
}

TEST_F(GameOverViewScreen, RealRunsEndOnTheScreenWithTheirScoresAndReplayPlaysAgain) {
    // The game's own view, steered hard right so the car leaves the road.
    struct RealGameView : GameOverAppCore {
        std::shared_ptr<AppGameView> makeGameView() override {
            return programScreens.createGameView(*this);
        }
    };
    auto real = std::make_shared<RealGameView>();
    real->withTitle = true;
    real->init();
    real->applicationDidFinishLaunching(platform::ui::Application::shared());
    auto& accelerometer = platform::Accelerometer::shared();
    accelerometer.setScript(platform::TiltScript::parse("const:1"));

    auto playUntilGameOver = [&] {
        for (int i = 0; i < 3000; ++i) {
            loop.advance(0.02);
            if (std::dynamic_pointer_cast<GameOverView>(real->rootViewController())) break;
        }
        return std::dynamic_pointer_cast<GameOverView>(real->rootViewController());
    };

    real->setCurrentLevelId(1);
    real->startGameView();
    auto screen = playUntilGameOver();
    ASSERT_TRUE(screen);
    auto first = screen->scoresViewer()->currentScore();
    ASSERT_TRUE(first);
    EXPECT_EQ(screen->currentScoreLabel()->text(), std::to_string(first->score()) + " pts.");

    screen->performAction("onReplayBtn", nullptr);
    auto view =
        std::dynamic_pointer_cast<GameViewBase>(real->currentOrientationDependedInfo().gameView);
    ASSERT_TRUE(view);
    EXPECT_TRUE(view->started());
    screen = playUntilGameOver();
    ASSERT_TRUE(screen);
    const auto& recent = screen->scoresViewer()->levelScores()->recentScores();
    ASSERT_EQ(recent.size(), 2u);
    EXPECT_EQ(recent[0], screen->scoresViewer()->currentScore());
    EXPECT_EQ(recent[1]->score(), first->score());

    auto file = platform::PropertyList::readFile(root / "home/Documents/LevelScores/1.plist");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->get("recentScores").size(), 2u);

    screen->performAction("onBackToTitleBtn", nullptr);
    EXPECT_STREQ(real->window()->rootViewController()->className(), "TitleScreen");
    EXPECT_FALSE(view->started());
    accelerometer.reset();
}
