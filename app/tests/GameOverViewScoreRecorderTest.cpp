#include <gtest/gtest.h>

#include "AppCoreTestSupport.h"
#include "app/gameview/GameOverViewScoreRecorder.h"
#include "platform/storage/PropertyList.h"
#include "scores/LevelScoreElem.h"
#include "scores/LevelScores.h"

using namespace app;

using namespace appcore_test;

using ScoreRecording = AppCoreTest;

TEST_F(ScoreRecording, EachRunIsStoredAndHandedOnNewestFirst) {
    auto core = TestAppCore::make();
    GameOverViewScoreRecorder recorder(core->scoreSigner());
    auto level = core->levelInfoForId(3);
    ASSERT_TRUE(level);

    recorder.registerScore(level, 100, 1700000000.5);
    auto recorded = recorder.registerScore(level, 200, 1700000100);
    ASSERT_TRUE(recorded.scores && recorded.currentScore);
    EXPECT_EQ(recorded.currentScore->score(), 200);
    EXPECT_EQ(recorded.currentScore->dateNumber(), 1700000100u);
    ASSERT_EQ(recorded.scores->recentScores().size(), 2u);
    EXPECT_EQ(recorded.scores->recentScores()[0], recorded.currentScore);

    auto file = platform::PropertyList::readFile(root / "home/Documents/LevelScores/3.plist");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->get("recentScores")[1]["score"], platform::Value(100));
    EXPECT_EQ(file->get("recentScores")[1]["udate"], platform::Value(1700000000));

    // No level: nothing to store, nothing to show.
    auto none = recorder.registerScore(nullptr, 5, 1700000000);
    EXPECT_FALSE(none.scores);
    EXPECT_FALSE(none.currentScore);
}
