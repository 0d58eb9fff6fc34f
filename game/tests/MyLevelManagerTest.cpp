#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "game/tests/GameHarness.h"
#include "util/PlistFiles.h"

using gametest::Game;
using gametest::ScriptedRandom;
using JTAppBase::DynamicCastLevelMenuItem;
using JTCore::ToUtf8;
using platform::Value;

namespace {

std::string unlockFile() {
    return util::DocumentsDirectoryPath() + "/unlockinglevels.plist";
}

JTAppBase::JTLevelMenuItemPtr menuItem(Game& game, int index) {
    return DynamicCastLevelMenuItem(game.manager->getMenuItems()->get(index));
}

// A finished run as the game loop ends it: the context opens the notice queue, lets the
// manager judge the score and shows the game-over screen.
void finishRun(Game& game, int levelId, int score) {
    game.context->startLevel(levelId);
    game.context->gameOver(score);
}

}  // namespace

TEST(MyLevelManager, OffersNormalThenObstaclesWithObstaclesLockedAtFirst) {
    ScriptedRandom random(1L << 30);
    Game game(random);
    EXPECT_EQ(game.manager->getMenuItems()->size(), 0);  // nothing before reset
    game.manager->reset();
    ASSERT_EQ(game.manager->getMenuItems()->size(), 2);

    auto normal = menuItem(game, 0);
    EXPECT_EQ(normal->getLevelInfo()->getId(), 1);
    EXPECT_EQ(ToUtf8(normal->getLabel()), "Level: Normal");
    EXPECT_EQ(ToUtf8(normal->getDescription()),
              "Tilt the device left and right to move the car!\nRun along the road and get "
              "hamburgers.");
    EXPECT_FALSE(normal->isLocked());

    auto obstacles = menuItem(game, 1);
    EXPECT_EQ(obstacles->getLevelInfo()->getId(), 3);
    EXPECT_EQ(ToUtf8(obstacles->getDescription()), "There are obstacles on the road!");
    EXPECT_TRUE(obstacles->isLocked());
    EXPECT_EQ(ToUtf8(obstacles->getLabel()), "Level: Obstacles (Locked)");
    EXPECT_EQ(ToUtf8(obstacles->getLockMessage()),
              "This level is unlocked when you score more than 8000 points in the Level: Normal.");

    EXPECT_EQ(game.manager->indexOfLevel(3), 1);
    EXPECT_EQ(game.manager->indexOfLevel(2), -1);
    EXPECT_EQ(game.manager->getSelectableLevelId(3), 1);
    game.context->setDebug(true);
    EXPECT_EQ(game.manager->getSelectableLevelId(3), 3);

    EXPECT_FALSE(game.manager->usesLevelHashes());
    EXPECT_FALSE(game.manager->canDownloadLevels());
    EXPECT_FALSE(game.manager->showsDlLevelsOnGameOver());
    EXPECT_FALSE(game.manager->getNextLevelInfo(normal->getLevelInfo()));
    EXPECT_EQ(game.manager->getLevelInfoById(1)->getWebLevelId(), 1);
    EXPECT_EQ(game.manager->getLevelInfoById(3)->getCanvasLayout(), -1);
}

TEST(MyLevelManager, ExactlyEightThousandOnLevelOneUnlocksObstacles) {
    ScriptedRandom random(1L << 30);
    Game game(random);
    game.manager->reset();
    ASSERT_TRUE(menuItem(game, 1)->isLocked());

    finishRun(game, 1, 7999);
    EXPECT_FALSE(game.manager->hasPendingMessages());
    EXPECT_FALSE(game.manager->takePendingMessages());
    EXPECT_FALSE(std::filesystem::exists(unlockFile()));

    finishRun(game, 3, 100000);  // no rule counts level 3's score
    EXPECT_FALSE(game.manager->takePendingMessages());
    EXPECT_FALSE(std::filesystem::exists(unlockFile()));

    finishRun(game, 1, 8000);
    EXPECT_EQ(game.count("view.gameOverWithScore(8000)"), 1);
    EXPECT_EQ(game.count("core.alert(Congratulations!|Level: Obstacles was unlocked.\nNow you "
                         "can select the new level in the Title Menu.)"),
              0);  // held back for the game-over screen
    EXPECT_TRUE(game.manager->hasPendingMessages());
    auto notices = game.manager->takePendingMessages();
    ASSERT_TRUE(notices);
    EXPECT_EQ(*notices, (std::vector<std::string>{
                            "Congratulations!",
                            "Level: Obstacles was unlocked.\nNow you can select the new level in "
                            "the Title Menu."}));
    // The menu was marked dirty: the rebuilt item is open.
    EXPECT_FALSE(menuItem(game, 1)->isLocked());
    EXPECT_EQ(ToUtf8(menuItem(game, 1)->getLabel()), "Level: Obstacles");

    // The file is a binary property list holding exactly "3" -> 1.
    std::ifstream file(unlockFile(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.substr(0, 8), "bplist00");
    EXPECT_EQ(util::ReadDictionaryFromPlistFile(unlockFile()), Value::dictionary({{"3", 1}}));

    // A later, better run has nothing left to unlock.
    finishRun(game, 1, 9000);
    EXPECT_FALSE(game.manager->takePendingMessages());

    // And a new start (reset after the settings load) reads the unlock back from the file.
    game.manager->reset();
    EXPECT_FALSE(menuItem(game, 1)->isLocked());
    EXPECT_EQ(game.manager->getSelectableLevelId(3), 3);
}

TEST(MyLevelManager, StartingALevelMakesTheRoadSceneForTheCurrentLevel) {
    ScriptedRandom random(1L << 30);
    Game game(random);
    auto scene = game.start(3);
    ASSERT_TRUE(scene);
    EXPECT_EQ(scene->getLevelId(), 3);
    EXPECT_EQ(game.context->getLevelInfo()->getId(), 3);
    EXPECT_EQ(game.count("view.setLevelInfo(3)"), 1);
    EXPECT_EQ(game.context->getCanvas()->getWidth(), 320);
    EXPECT_EQ(game.context->getCanvas()->getHeight(), 480);
}
