#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/base/LogSink.h"
#include "platform/storage/PropertyList.h"
#include "scores/LevelScoreElem.h"
#include "scores/LevelScores.h"
#include "scores/tests/LevelScoresTestSupport.h"

using namespace scores;

using platform::Date;
using platform::Value;
using scorestest::ScoresFixture;

namespace {

// Checksums worked out by hand (zlib.crc32 of "<key>,<level>,<score>,<udate>") so the tests
// do not trust the code they check.
constexpr int64_t kHash100 = 930629986;     // level 1, 100 points at 1700000000
constexpr int64_t kHash250 = 1475655069;    // level 1, 250 points at 1700000100
constexpr int64_t kHash1234 = 242865233;    // level 1, 1234 points at 1700000200
constexpr int64_t kHash3Neg = -1658945362;  // level 1, 3 points at 1700000000 (2636021934)

Value entry(int64_t score, int64_t udate, int64_t hash) {
    return Value::dictionary({{"score", score}, {"udate", udate}, {"hash", hash}});
}

using LevelScoresFile = ScoresFixture;

void writePlist(const std::filesystem::path& path, const Value& root) {
    std::filesystem::create_directories(path.parent_path());
    ASSERT_TRUE(platform::PropertyList::writeFile(path, root));
}

std::vector<int32_t> scoresOf(const LevelScores::List& list) {
    std::vector<int32_t> out;
    for (const auto& e : list) out.push_back(e->score());
    return out;
}

}  // namespace

TEST_F(LevelScoresFile, FourRunsKeepTheNewestThreeNewestFirst) {
    auto record = level(1);
    for (int run = 1; run <= 4; ++run) {
        auto scores = OpenLevelScores(record->mirror(), signer);
        ASSERT_TRUE(scores);
        scores->registerScore(LevelScoreElem::create(run * 100, Date{1700000000.0 + run}));
        EXPECT_EQ(scores->previousHighScore(), nullptr);  // no local high scores in this game
        ASSERT_TRUE(scores->save());
    }

    auto reread = OpenLevelScores(record->mirror(), signer);
    EXPECT_EQ(scoresOf(reread->recentScores()), (std::vector<int32_t>{400, 300, 200}));
    EXPECT_EQ(reread->recentScores()[0]->dateNumber(), 1700000004u);
    EXPECT_TRUE(reread->highScores().empty());

    auto root = platform::PropertyList::readFile(scoreFile(1));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->get("LevelScores.version"), Value(4097));
    EXPECT_EQ(root->get("highScores"), Value::array());
    ASSERT_EQ(root->get("recentScores").size(), 3u);
    EXPECT_EQ(root->get("recentScores")[0]["udate"], Value(1700000004));
}

TEST_F(LevelScoresFile, StoredScoresAreSignedForKeyLevelScoreAndDate) {
    auto record = level(1);
    auto scores = LevelScores::create(record->mirror(), signer);
    scores->registerScore(LevelScoreElem::create(250, Date{1700000100.9}));
    scores->registerScore(LevelScoreElem::create(3, Date{1700000000}));
    ASSERT_TRUE(scores->save());

    auto root = platform::PropertyList::readFile(scoreFile(1));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->get("recentScores")[0], entry(3, 1700000000, kHash3Neg));
    EXPECT_EQ(root->get("recentScores")[1], entry(250, 1700000100, kHash250));

    // A checksum past 2^31 is stored negative and must still match when read back.
    platform::LogSink::Capture log;
    auto reread = OpenLevelScores(record->mirror(), signer);
    EXPECT_EQ(scoresOf(reread->recentScores()), (std::vector<int32_t>{3, 250}));
    EXPECT_FALSE(log.contains("Score hash unmatched"));
}

TEST_F(LevelScoresFile, FiveStoredScoresReadBackAsTheFirstThree) {
    auto one = level(1);
    writePlist(
        scoreFile(1),
        Value::dictionary(
            {{"recentScores",
              Value::array({entry(100, 1700000000, kHash100), entry(250, 1700000100, kHash250),
                            entry(1234, 1700000200, kHash1234), entry(3, 1700000000, kHash3Neg),
                            entry(100, 1700000000, kHash100)})}}));
    auto scores = OpenLevelScores(one->mirror(), signer);
    EXPECT_EQ(scoresOf(scores->recentScores()), (std::vector<int32_t>{100, 250, 1234}));
    EXPECT_EQ(scores->recentScores()[2]->dateNumber(), 1700000200u);
}

TEST_F(LevelScoresFile, EditedOrForeignScoresAreDroppedAlone) {
    auto one = level(1);
    auto three = level(3);
    const Value list = Value::array({entry(100, 1700000000, kHash100),
                                     entry(251, 1700000100, kHash250),    // score edited
                                     entry(1234, 1700000201, kHash1234),  // date edited
                                     entry(3, 1700000000, kHash3Neg)});
    writePlist(scoreFile(1), Value::dictionary({{"recentScores", list}}));

    platform::LogSink::Capture log;
    auto scores = OpenLevelScores(one->mirror(), signer);
    EXPECT_EQ(scoresOf(scores->recentScores()), (std::vector<int32_t>{100, 3}));
    EXPECT_EQ(log.count(), 2u);
    EXPECT_TRUE(log.contains("Score hash unmatched"));

    // The same file under another level id signs nothing that id made.
    std::filesystem::copy_file(scoreFile(1), scoreFile(3));
    EXPECT_TRUE(OpenLevelScores(three->mirror(), signer)->recentScores().empty());

    // Nor under another game's key.
    EXPECT_TRUE(OpenLevelScores(one->mirror(), ScoreSigner("another-key"))->recentScores().empty());
}

TEST_F(LevelScoresFile, DamagedFilesGiveEmptyListsAndNeverThrow) {
    auto one = level(1);
    const Value good = entry(100, 1700000000, kHash100);
    auto reopen = [&] { return OpenLevelScores(one->mirror(), signer); };

    writePlist(scoreFile(1),
               Value::array({Value::dictionary({{"recentScores", Value::array({good})}})}));
    EXPECT_TRUE(reopen()->recentScores().empty());  // root is not a dictionary

    writePlist(scoreFile(1), Value::dictionary({{"recentScores", good}}));
    EXPECT_TRUE(reopen()->recentScores().empty());  // list is not an array

    std::ofstream(scoreFile(1), std::ios::binary | std::ios::trunc) << "bplist00 garbage";
    EXPECT_TRUE(reopen()->recentScores().empty());  // not a property list

    // A non-dictionary element ends the list; wrong-typed fields leave their defaults.
    writePlist(
        scoreFile(1),
        Value::dictionary({{"recentScores", Value::array({good, "junk", good})},
                           {"highScores", Value::array({Value::dictionary(
                                              {{"score", "9"}, {"hash", Value::array()}})})}}));
    auto scores = reopen();
    EXPECT_EQ(scoresOf(scores->recentScores()), (std::vector<int32_t>{100}));
    EXPECT_TRUE(scores->highScores().empty());  // score 0, date 0 and hash 0 do not match
}

TEST_F(LevelScoresFile, HighScoreListTakesItsFirstEntryAndFeedsThePreviousHighScore) {
    auto one = level(1);
    writePlist(
        scoreFile(1),
        Value::dictionary({{"highScores", Value::array({entry(1234, 1700000200, kHash1234),
                                                        entry(250, 1700000100, kHash250)})}}));
    auto scores = OpenLevelScores(one->mirror(), signer);
    ASSERT_EQ(scoresOf(scores->highScores()), (std::vector<int32_t>{1234}));
    EXPECT_EQ(scores->previousHighScore(), nullptr);

    scores->registerScore(LevelScoreElem::create(9999, Date{1700000300}));
    EXPECT_EQ(scores->previousHighScore(), scores->highScores()[0]);
    EXPECT_EQ(scoresOf(scores->highScores()), (std::vector<int32_t>{1234}));  // unchanged

    scores->clearHighScores();
    ASSERT_TRUE(scores->save());
    auto reread = OpenLevelScores(one->mirror(), signer);
    EXPECT_TRUE(reread->highScores().empty());
    EXPECT_EQ(scoresOf(reread->recentScores()), (std::vector<int32_t>{9999}));
}

TEST_F(LevelScoresFile, WithoutTheSecretKeyTheFileIsLeftAlone) {
    auto record = level(1);
    auto scores = OpenLevelScores(record->mirror(), signer);
    scores->registerScore(LevelScoreElem::create(100, Date{1700000000}));
    ASSERT_TRUE(scores->save());
    const auto before = platform::PropertyList::readFile(scoreFile(1));

    // Opened by someone without the key (the app core that had it is gone).
    auto orphan = OpenLevelScores(record->mirror(), ScoreSigner{});
    EXPECT_TRUE(orphan->recentScores().empty());
    orphan->registerScore(LevelScoreElem::create(5, Date{1700000001}));
    EXPECT_FALSE(orphan->save());
    EXPECT_EQ(platform::PropertyList::readFile(scoreFile(1)), before);

    EXPECT_EQ(OpenLevelScores(nullptr, signer), nullptr);
}

TEST_F(LevelScoresFile, ScoreFolderBlockedByAFileFailsTheSave) {
    std::filesystem::create_directories(platform::AppPaths::documents());
    std::ofstream(platform::AppPaths::documents() / "LevelScores") << "not a folder";
    auto one = level(1);
    auto scores = OpenLevelScores(one->mirror(), signer);
    scores->registerScore(LevelScoreElem::create(100, Date{1700000000}));
    EXPECT_FALSE(scores->save());
    EXPECT_FALSE(LevelScores::fileNameForLevelId(1, true));
}

TEST_F(LevelScoresFile, ADamagedFileIsKeptAsideAndAnUnreadableOneIsNotSavedOver) {
    auto one = level(1);
    namespace fs = std::filesystem;
    fs::create_directories(scoreFile(1).parent_path());
    std::ofstream(scoreFile(1), std::ios::binary) << "bplist00 cut off in the middle";
    auto scores = OpenLevelScores(one->mirror(), signer);
    scores->registerScore(LevelScoreElem::create(100, Date{1700000000}));
    EXPECT_TRUE(scores->save());
    int keptAside = 0;
    for (const auto& entry : fs::directory_iterator(scoreFile(1).parent_path())) {
        if (entry.path().filename().string().rfind("1.plist.corrupt-", 0) != 0) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        keptAside +=
            std::string(std::istreambuf_iterator<char>(in), {}) == "bplist00 cut off in the middle";
    }
    EXPECT_EQ(keptAside, 1);
    EXPECT_EQ(scoresOf(OpenLevelScores(one->mirror(), signer)->recentScores()),
              (std::vector<int32_t>{100}));

    // A folder where the file should be cannot be read: the new score is not saved over it.
    auto two = level(2);
    fs::create_directories(scoreFile(2));
    platform::LogSink::Capture log;
    auto blocked = OpenLevelScores(two->mirror(), signer);
    blocked->registerScore(LevelScoreElem::create(100, Date{1700000000}));
    EXPECT_FALSE(blocked->save());
    EXPECT_TRUE(fs::is_directory(scoreFile(2)));
    EXPECT_TRUE(log.contains("could not be read"));
}