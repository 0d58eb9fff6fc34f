#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "game/RoadMath.h"
#include "game/tests/GameHarness.h"

using gametest::Game;
using gametest::ScriptedRandom;
using JTApp::MyGameScene;
using JTApp::Wall;

namespace {

constexpr long kHalf = 1L << 30;  // r * 2^-31 = 0.5

// The row the car is in, or nullptr.
const Wall* rowOfCar(const MyGameScene& scene) {
    for (int i = 0; i < MyGameScene::kRowCount; ++i) {
        const Wall& row = *scene.getRow(i);
        if (row.y <= scene.getCarY() && scene.getCarY() <= row.y + 512) return &row;
    }
    return nullptr;
}

void setAllRows(MyGameScene& scene, int32_t left, int32_t right) {
    for (int i = 0; i < MyGameScene::kRowCount; ++i) {
        scene.getRow(i)->left = left;
        scene.getRow(i)->right = right;
        scene.getRow(i)->item = Wall::kItemNone;
    }
}

}  // namespace

TEST(RoadMath, RatioScaleTruncatesAndGuardsTheZeroDivisor) {
    EXPECT_EQ(JTApp::ratioScale(6144, 1000, 0), 6144);
    EXPECT_EQ(JTApp::ratioScale(6144, 1000, 1000), 3072);
    EXPECT_EQ(JTApp::ratioScale(-7, 1, 1), -3);  // toward zero
    EXPECT_EQ(JTApp::ratioScale(5, 1000, -1000), 0);
    // 32-bit products wrap instead of overflowing.
    EXPECT_EQ(JTApp::wrapMul(0x10000, 0x10000), 0);
    EXPECT_EQ(JTApp::wrapDiv(std::numeric_limits<int32_t>::min(), -1),
              std::numeric_limits<int32_t>::min());
    // The float easing: 200 at rest, 200 / 11 once the picture has fallen halfway (f = 50).
    EXPECT_FLOAT_EQ(JTApp::ratioScaleF(200, 2.5f, 0), 200);
    EXPECT_FLOAT_EQ(JTApp::ratioScaleF(200, 2.5f, 25), 200.0f / 11);
}

TEST(RoadMath, RandomDrawsScaleTheSourceValueAndTruncate) {
    ScriptedRandom random(kHalf);
    random.queue = {0, kHalf, 0x7FFFFFFF, 0, 0x7FFFFFFF, kHalf};
    JTAppBase::Random::Scoped scoped([&random] { return random.next(); });
    EXPECT_EQ(JTApp::randomBelow(4), 0);
    EXPECT_EQ(JTApp::randomBelow(4), 2);
    EXPECT_EQ(JTApp::randomBelow(4), 3);  // never n itself
    EXPECT_EQ(JTApp::randomBetween(-400, 400), -400);
    EXPECT_EQ(JTApp::randomBetween(-400, 400), 399);
    EXPECT_EQ(JTApp::randomBetween(9, 36), 22);
    EXPECT_EQ(random.draws, 6);
}

TEST(MyGameScene, StartBuildsAStraightWideRoadAndBendsItOnlyAfterRow13) {
    ScriptedRandom random(kHalf);
    // The score holder's first salt, then the bend at ring index 13: -400 + 800 * 0.375.
    random.queue = {0, 805306368};
    Game game(random);
    auto scene = game.start(1);
    ASSERT_TRUE(scene);
    // Frame 0 draws twice: the score's salt and the one bend.
    EXPECT_EQ(random.draws, 2);
    EXPECT_EQ(scene->getRingIndex(), 0);
    for (int i = 0; i < MyGameScene::kRowCount; ++i) {
        const Wall& row = *scene->getRow(i);
        EXPECT_EQ(row.y, 512 * i);
        EXPECT_EQ(row.right - row.left, 6144 + 512) << i;
        EXPECT_EQ(row.item, Wall::kItemNone) << i;  // level 1's first item comes with row 36
        if (i <= 13) {
            EXPECT_EQ((row.left + row.right) / 2, 4096) << i;
        }
    }
    // Rows 14 to 17 follow the bend of -100 until the centre meets its limit (half + 512 =
    // 3840), where the road bounces back.
    auto centre = [&](int i) { return (scene->getRow(i)->left + scene->getRow(i)->right) / 2; };
    EXPECT_EQ(centre(14), 3996);
    EXPECT_EQ(centre(15), 3896);
    EXPECT_EQ(centre(16), 3840);
    EXPECT_EQ(centre(17), 3940);
    EXPECT_EQ(scene->getCentreStep(), 100);
    EXPECT_EQ(scene->getRowsUntilItem(), 18);
    EXPECT_EQ(scene->getState(), 0);
    EXPECT_EQ(game.count("view.setPauseBtnPos(-27,25)"), 1);
    EXPECT_EQ(game.count("view.startGameScene(scene)"), 1);
}

TEST(MyGameScene, ScreenMappingIsThe320By480Screen) {
    ScriptedRandom random(kHalf);
    Game game(random);
    auto scene = game.start(1);
    EXPECT_FLOAT_EQ(scene->toScreenX(0), 0);
    EXPECT_FLOAT_EQ(scene->toScreenX(8192), 320);
    EXPECT_FLOAT_EQ(scene->toScreenX(4097), 4097 * 320 / 8192.0f);
    EXPECT_FLOAT_EQ(scene->toScreenY(0), 480);
    EXPECT_FLOAT_EQ(scene->toScreenY(8192), 0);
    EXPECT_FLOAT_EQ(scene->toScreenY(512), 450);  // a row is 30 screen units tall
    EXPECT_FLOAT_EQ(scene->toScreenY(-8192), 960);
}

TEST(MyGameScene, ItemsFollowTheScriptedSequence) {
    // Level 1 with every draw at one half: no bends, items in the middle of the road, the next
    // item 9 + 27 / 2 = 22 rows after the last.
    ScriptedRandom random(kHalf);
    Game game(random);
    auto scene = game.start(1);
    std::vector<int> itemRows;
    int generated = MyGameScene::kRowCount;
    for (int t = 0; t < 400 && itemRows.size() < 3; ++t) {
        int before = scene->getRingIndex();
        game.tick();
        ASSERT_EQ(scene->getState(), 0) << "the car left the road at tick " << t;
        for (int r = before; r != scene->getRingIndex(); r = (r + 1) % MyGameScene::kRowCount) {
            ++generated;
            const Wall& row = *scene->getRow(r);
            if (row.item == Wall::kItemNone) continue;
            EXPECT_EQ(row.item, Wall::kItemHamburger);
            EXPECT_EQ(row.itemX, row.left + 512 + (row.right - row.left - 1024) / 2);
            itemRows.push_back(generated);
        }
    }
    EXPECT_EQ(itemRows, (std::vector<int>{36, 58, 80}));
}

TEST(MyGameScene, LevelThreePlacesItsFirstItemInRow18AndChoosesObstaclesByTheDraw) {
    {
        // Draws: salt, bend at ring 13, then row 18's item x, the gap and the kind.
        ScriptedRandom random(kHalf);
        random.queue = {kHalf, kHalf, 0, kHalf, kHalf};
        Game game(random);
        auto scene = game.start(3);
        EXPECT_EQ(random.draws, 5);
        const Wall& last = *scene->getRow(17);
        EXPECT_EQ(last.item, Wall::kItemObstacle);  // below(4) == 2
        EXPECT_EQ(last.itemX, last.left + 512);
        EXPECT_EQ(scene->getRowsUntilItem(), 5);  // 2 + 7 / 2
        for (int i = 0; i < 17; ++i) EXPECT_EQ(scene->getRow(i)->item, Wall::kItemNone);
    }
    {
        ScriptedRandom random(kHalf);
        random.queue = {kHalf, kHalf, kHalf, 0, 0};
        Game game(random);
        auto scene = game.start(3);
        EXPECT_EQ(scene->getRow(17)->item, Wall::kItemHamburger);  // below(4) == 0
        EXPECT_EQ(scene->getRowsUntilItem(), 2);
    }
}

TEST(MyGameScene, RoadAndCarStayInBoundsOverALongRandomRun) {
    ScriptedRandom random(gametest::lcg(20261207));
    Game game(random);
    long ticks = 0;
    int runs = 0;
    std::mt19937 wobble(7);
    while (ticks < 30000) {
        auto scene = game.start(runs % 2 == 0 ? 1 : 3);
        ++runs;
        while (scene->getState() == 0) {
            game.autopilot();
            // Now and then a wild tilt, a dead sensor or a jolt far beyond the sensor's range.
            switch (wobble() % 50) {
                case 0:
                    game.tilt->h = std::numeric_limits<double>::quiet_NaN();
                    break;
                case 1:
                    game.tilt->h = 1e30;
                    break;
                case 2:
                    game.tilt->h = -std::numeric_limits<double>::infinity();
                    break;
                case 3:
                    game.tilt->h = (static_cast<int>(wobble() % 200) - 100) / 25.0;
                    break;
                default:
                    break;
            }
            game.tick();
            ++ticks;
            ASSERT_GE(scene->getCarX(), 1024);
            ASSERT_LE(scene->getCarX(), 7168);
            ASSERT_LE(scene->getCarY(), 4096);
            const int ring = scene->getRingIndex();
            const Wall& lowest = *scene->getRow(ring);
            for (int i = 0; i < MyGameScene::kRowCount; ++i) {
                const Wall& row = *scene->getRow((ring + i) % MyGameScene::kRowCount);
                ASSERT_GE(row.left, 512);
                ASSERT_LE(row.right, 7680);
                ASSERT_LT(row.left, row.right);
                ASSERT_EQ(row.y, lowest.y + 512 * i) << "rows must stay stacked in ring order";
                if (row.item != Wall::kItemNone) {
                    // Within the road, 512 clear of both edges; a road narrower than 1024
                    // (after minutes of play) keeps it between the two limits instead.
                    int32_t low = std::min(row.left + 512, row.right - 512);
                    int32_t high = std::max(row.left + 512, row.right - 512);
                    ASSERT_GE(row.itemX, low);
                    ASSERT_LE(row.itemX, high);
                }
                if (game.context->getLevelInfo()->getId() == 1) {
                    ASSERT_NE(row.item, Wall::kItemObstacle);
                }
            }
            ASSERT_GE(lowest.y, -1024);
        }
    }
    EXPECT_GE(runs, 1);
}

TEST(MyGameScene, SpeedAndScoreRiseWithTheFrame) {
    ScriptedRandom random(kHalf);
    Game game(random);
    auto scene = game.start(1);
    int32_t last = scene->getScore();
    for (int frame = 1; frame <= 801; ++frame) {
        game.autopilot();
        game.tick();
        ASSERT_EQ(scene->getState(), 0);
        ASSERT_EQ(scene->getSpeed(), frame / 20 + 160);
        int32_t gained = (scene->getScore() - last) % 100;  // hamburgers add 100 on top
        ASSERT_EQ(gained, frame < 800 ? 1 : 2) << "frame " << frame;
        last = scene->getScore();
    }
    EXPECT_EQ(game.count("sound1.start"), 1);  // the start sound, 5 ticks in
}

TEST(MyGameScene, SteeringFollowsTheTiltAndIgnoresBrokenReadings) {
    ScriptedRandom random(kHalf);
    Game game(random);
    auto scene = game.start(1);
    game.tilt->h = 1.0;  // target 4096 + 12288
    game.tick();
    EXPECT_EQ(scene->getCarX(), 4096 + (16384 - 4096) / 8);

    game.tilt->h = std::numeric_limits<double>::quiet_NaN();  // counts as level: back to 4096
    game.tick();
    EXPECT_EQ(scene->getCarX(), 5632 + (4096 - 5632) / 8);

    game.tilt->h = -1e30;
    for (int i = 0; i < 30; ++i) game.tick();
    EXPECT_EQ(scene->getCarX(), 1024);  // pinned to the left limit, no overflow on the way
}

// Two identical runs; in one the road's edges are moved onto the car before the same tick.
class KnockBackTest : public ::testing::Test {
  protected:
    KnockBackTest() : random(kHalf), game(random) {
        scene = game.start(1);
        game.tilt->h = 0;  // the car stays at x 4096
    }
    ScriptedRandom random;
    Game game;
    JTApp::MyGameScenePtr scene;
};

TEST_F(KnockBackTest, CarOnTheEdgeIsOnTheRoadAndOneUnitOffIsKnockedBack) {
    setAllRows(*scene, 4096, 4096);  // exactly on both edges
    game.tick();
    EXPECT_GT(scene->getCarVerticalSpeed(), 0);
    int32_t y = scene->getCarY();

    setAllRows(*scene, 4097, 8000);
    game.tick();
    int32_t speed = scene->getSpeed();
    EXPECT_EQ(scene->getCarVerticalSpeed(), (-2 * speed) / 3);
    // Moved up by the capped climb first, then knocked back.
    int32_t cap = (4096 - y) / 1024 + 1;
    EXPECT_EQ(scene->getCarY(), y + std::min(3 + speed / 10, cap) + (-2 * speed) / 3);
    EXPECT_EQ(game.count("sound3.start"), 1);

    setAllRows(*scene, 0, 4095);
    game.tick();
    EXPECT_EQ(scene->getCarVerticalSpeed(), (-2 * scene->getSpeed()) / 3);
}

TEST_F(KnockBackTest, BumpSoundRestsForFourTicks) {
    std::vector<int> soundTicks;
    for (int t = 1; t <= 9; ++t) {
        setAllRows(*scene, 5000, 8000);
        int before = game.count("sound3.start");
        game.tick();
        if (game.count("sound3.start") > before) soundTicks.push_back(scene->getFrame());
    }
    EXPECT_EQ(soundTicks, (std::vector<int>{1, 5, 9}));
}

TEST_F(KnockBackTest, ItemsCountOnlyStrictlyWithin512) {
    game.tick();
    auto place = [&](int32_t item, int32_t itemX) {
        setAllRows(*scene, 512, 7680);
        for (int i = 0; i < MyGameScene::kRowCount; ++i) {
            scene->getRow(i)->item = item;
            scene->getRow(i)->itemX = itemX;
        }
    };
    place(Wall::kItemObstacle, 4096 + 512);
    game.tick();
    EXPECT_GE(scene->getCarVerticalSpeed(), 0);
    place(Wall::kItemObstacle, 4096 - 511);
    game.tick();
    EXPECT_LT(scene->getCarVerticalSpeed(), 0);

    place(Wall::kItemHamburger, 4096 - 512);
    int32_t score = scene->getScore();
    game.tick();
    EXPECT_EQ(scene->getScore(), score + 1);
    EXPECT_EQ(game.count("sound2.start"), 0);

    place(Wall::kItemHamburger, 4096 + 511);
    score = scene->getScore();
    game.tick();
    EXPECT_EQ(scene->getScore(), score + 101);
    EXPECT_EQ(game.count("sound2.start"), 1);
    const Wall* row = rowOfCar(*scene);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->item, Wall::kItemNone);  // taken
    EXPECT_EQ(scene->getPopUpX(), 4096 + 511);
    EXPECT_EQ(scene->getPopUpY(), row->y + 256);
    EXPECT_EQ(scene->getPopUpEndFrame(), scene->getFrame() + 30);
}

TEST_F(KnockBackTest, AHamburgerOffTheRoadIsStillTakenAfterTheKnock) {
    setAllRows(*scene, 5000, 8000);
    for (int i = 0; i < MyGameScene::kRowCount; ++i) {
        scene->getRow(i)->item = Wall::kItemHamburger;
        scene->getRow(i)->itemX = 4096;
    }
    int32_t score = scene->getScore();
    game.tick();
    EXPECT_LT(scene->getCarVerticalSpeed(), 0);
    EXPECT_EQ(scene->getScore(), score + 101);
}

TEST_F(KnockBackTest, FallOffBelowMinus170EndsTheRunAndTheScoreGoesOut50TicksLater) {
    // A car that lands exactly on -170 keeps playing.
    int32_t speed = (scene->getFrame() + 1) / 20 + 160;
    scene->placeCar(4096, -170 + 1000, -1000 - speed / 10);
    game.tick();
    EXPECT_EQ(scene->getCarY(), -170);
    EXPECT_EQ(scene->getState(), 0);

    speed = (scene->getFrame() + 1) / 20 + 160;
    scene->placeCar(4096, -171 + 1000, -1000 - speed / 10);
    const int32_t midRowBefore = scene->getRow(9)->y;
    game.tick();
    EXPECT_EQ(scene->getState(), 1);
    EXPECT_EQ(game.count("sound0.start"), 1);
    // The rest of that tick still ran: the rows moved.
    EXPECT_EQ(scene->getRow(9)->y, midRowBefore - scene->getSpeed());

    const int32_t endFrame = scene->getFrame();
    const int32_t score = scene->getScore();
    const std::string over = "view.gameOverWithScore(" + std::to_string(score) + ")";
    const auto rows = scene->getRow(0)->y;
    for (int t = 1; t < 50; ++t) game.tick();
    EXPECT_EQ(scene->getFrame(), endFrame + 49);
    EXPECT_EQ(game.count(over), 0);
    EXPECT_EQ(scene->getRow(0)->y, rows);  // the road stands still after the fall
    game.tick();
    EXPECT_EQ(game.count(over), 1);
    for (int t = 0; t < 60; ++t) game.tick();
    EXPECT_EQ(game.count(over), 1);  // once per run
    EXPECT_EQ(scene->getScore(), score);
}
