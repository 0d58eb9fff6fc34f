#include "app/screens/ScoreToolViewController.h"

#include <gtest/gtest.h>

#include "ToolScreensTestSupport.h"
#include "platform/ui/ActionSheet.h"
#include "scores/LevelScoreElem.h"
#include "scores/LevelScores.h"

using namespace app;

using namespace tools_test;

namespace {

class ScoreToolTest : public ToolScreensTest {
  protected:
    // A score file for the level with one high score and two recent ones.
    void writeScores(int32_t levelId) {
        auto level = core->levelInfoForId(levelId);
        ASSERT_NE(level, nullptr);
        auto entry = [&](int32_t score, double when) {
            platform::Value d = platform::Value::dictionary();
            scores::LevelScoreElem::create(score, platform::Date{when})
                ->serializeWith(d, true, *level, core->scoreSigner());
            return d;
        };
        platform::Value file = platform::Value::dictionary(
            {{"highScores", platform::Value::array({entry(9000, 1.7e9)})},
             {"recentScores",
              platform::Value::array({entry(1200, 1.7e9 + 60), entry(800, 1.7e9)})}});
        auto scores = scores::LevelScores::create(level, core->scoreSigner());
        scores->serializeWith(file, false);
        ASSERT_EQ(scores->highScores().size(), 1u);
        ASSERT_TRUE(scores->save());
    }
    std::shared_ptr<scores::LevelScores> stored(int32_t levelId) {
        return scores::OpenLevelScores(core->levelInfoForId(levelId), core->scoreSigner());
    }
};

TEST_F(ScoreToolTest, TitleAndQuestionNameTheLevelOrFallBackToPlainTexts) {
    EXPECT_EQ(ScoreToolViewController::titleForLevelName(std::nullopt), "Scores");
    EXPECT_EQ(ScoreToolViewController::titleForLevelName(std::string()), "Scores");
    EXPECT_EQ(ScoreToolViewController::clearRankingQuestion(std::string()),
              "Are you sure to delete the local score ranking?");

    auto named = showTab<ScoreToolViewController>(0);
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->navigationItem().title, "Level: Normal");
    named->performAction("onClearRankingBtn", nullptr);
    auto sheet = named->clearRankingSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->title(), "Are you sure to delete the local score ranking of\nLevel: Normal ?");
    sheet->tapButton(sheet->cancelButtonIndex());

    core->setCurrentLevelId(kUnnamedLevel);
    core->stopToolsView();
    openTools();
    EXPECT_EQ(named->navigationItem().title, "Scores");
    EXPECT_EQ(named->tabBarItem().title, "Scores");
    named->performAction("onClearRankingBtn", nullptr);
    ASSERT_NE(named->clearRankingSheet(), nullptr);
    EXPECT_EQ(named->clearRankingSheet()->title(),
              "Are you sure to delete the local score ranking?");
    named->clearRankingSheet()->tapButton(1);
}

TEST_F(ScoreToolTest, ClearRankingSheetPutsDeleteFirstAndCancelLast) {
    auto scores = showTab<ScoreToolViewController>(0);
    ASSERT_NE(scores, nullptr);
    scores->performAction("onClearRankingBtn", nullptr);
    auto sheet = scores->clearRankingSheet();
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(sheet->numberOfButtons(), 2);
    EXPECT_EQ(sheet->buttonTitleAtIndex(0), "DELETE");
    EXPECT_EQ(sheet->destructiveButtonIndex(), 0);
    EXPECT_EQ(sheet->buttonTitleAtIndex(1), "Cancel");
    EXPECT_EQ(sheet->cancelButtonIndex(), 1);
    // Shown over the whole tab bar controller, not only the tab.
    auto tools = core->currentOrientationDependedInfo().toolsView;
    ASSERT_NE(sheet->view(), nullptr);
    EXPECT_EQ(sheet->view()->window(), tools->view()->window());
    sheet->tapButton(1);
}

TEST_F(ScoreToolTest, DeleteClearsTheHighScoresAndKeepsTheRecentOnes) {
    writeScores(kNamedLevel);
    auto tab = showTab<ScoreToolViewController>(0);
    ASSERT_NE(tab, nullptr);
    const auto& labels = tab->scoresViewer()->recentScoreLabels();
    ASSERT_EQ(labels.size(), 3u);
    ASSERT_NE(labels[0], nullptr);
    EXPECT_EQ(labels[0]->text().rfind("1200 pts. (", 0), 0u) << labels[0]->text();
    EXPECT_EQ(labels[2]->text(), "-----");

    // Cancel (and a sheet the system takes away) changes nothing.
    tab->performAction("onClearRankingBtn", nullptr);
    tab->clearRankingSheet()->tapButton(1);
    tab->onClearRankingAction(-1);
    EXPECT_EQ(stored(kNamedLevel)->highScores().size(), 1u);

    tab->performAction("onClearRankingBtn", nullptr);
    tab->clearRankingSheet()->tapButton(0);
    auto after = stored(kNamedLevel);
    EXPECT_TRUE(after->highScores().empty());
    ASSERT_EQ(after->recentScores().size(), 2u);
    EXPECT_EQ(after->recentScores()[0]->score(), 1200);
    EXPECT_EQ(after->recentScores()[1]->score(), 800);
    EXPECT_EQ(labels[0]->text().rfind("1200 pts. (", 0), 0u);
}

TEST_F(ScoreToolTest, ASubmitButtonSendsItsScoreToTheWebRanking) {
    writeScores(kNamedLevel);
    auto tab = showTab<ScoreToolViewController>(0);
    ASSERT_NE(tab, nullptr);
    const auto& buttons = tab->scoresViewer()->recentScoreSubmitBtns();
    ASSERT_EQ(buttons.size(), 3u);
    ASSERT_NE(buttons[1], nullptr);
    EXPECT_FALSE(buttons[1]->isHidden());
    EXPECT_TRUE(buttons[2]->isHidden());  // no third score
    buttons[1]->tap();
    const auto& urls = platform::ui::Application::shared().openedURLs();
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_NE(urls[0].find("cmd/postSc?"), std::string::npos) << urls[0];
    EXPECT_NE(urls[0].find("&lid=501&"), std::string::npos) << urls[0];
    EXPECT_NE(urls[0].find("&sc=800&"), std::string::npos) << urls[0];
}

TEST_F(ScoreToolTest, WithoutAnyLevelNothingIsShownOrDeleted) {
    writeScores(kNamedLevel);
    auto tab = showTab<ScoreToolViewController>(0);
    ASSERT_NE(tab, nullptr);
    ASSERT_NE(tab->scoresViewer()->levelScores(), nullptr);

    core->setCurrentLevelId(77);  // no such level (a stale id)
    core->stopToolsView();
    openTools();
    EXPECT_EQ(tab->navigationItem().title, "Scores");
    EXPECT_EQ(tab->scoresViewer()->levelScores(), nullptr);
    EXPECT_EQ(tab->scoresViewer()->recentScoreLabels()[0]->text(), "-----");
    tab->onClearRankingAction(0);
    EXPECT_FALSE(std::filesystem::exists(root / "home" / "Documents" / "LevelScores" / "77.plist"));
    // The level shown before keeps its ranking.
    EXPECT_EQ(stored(kNamedLevel)->highScores().size(), 1u);
}

TEST_F(ScoreToolTest, RankingButtonOpensTheLevelsWebRanking) {
    auto tab = showTab<ScoreToolViewController>(0);
    ASSERT_NE(tab, nullptr);
    tab->performAction("onHighScoreRankingBtn", nullptr);
    const auto& urls = platform::ui::Application::shared().openedURLs();
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_NE(urls[0].find("cmd/jump?"), std::string::npos);
    EXPECT_NE(urls[0].find("&tgt=4&"), std::string::npos) << urls[0];
    EXPECT_NE(urls[0].find("&lid=501&"), std::string::npos) << urls[0];
}

TEST_F(ScoreToolTest, DoneClosesTheToolsBackToTheTitle) {
    auto tab = showTab<ScoreToolViewController>(0);
    ASSERT_NE(tab, nullptr);
    ASSERT_TRUE(toolsOnScreen());
    auto done = tab->navigationItem().leftBarButtonItem;
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(done->systemItem(), platform::ui::SystemItem::Done);
    core->transitions.clear();
    done->tap();
    loop.runUntilIdle();
    EXPECT_FALSE(toolsOnScreen());
    ASSERT_NE(core->rootViewController(), nullptr);
    EXPECT_STREQ(core->rootViewController()->className(), "TitleScreen");
    EXPECT_EQ(core->transitions, (std::vector<std::string>{"1/" + std::to_string(0.5)}));
}

}  // namespace
