#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include <unistd.h>

#include "appbase/JTAppContext.h"
#include "appbase/UnlockByScoresLevelManager.h"
#include "appbase/testsupport/FakeShell.h"
#include "platform/storage/AppPaths.h"
#include "platform/testing/TempDir.h"
#include "util/PlistFiles.h"

using namespace JTAppBase;
using JTCore::JTNew;
using JTCore::NewJTString;
using JTCore::ToUtf8;
using platform::Value;
namespace fs = std::filesystem;

namespace {

struct Rule {
    int32_t level, score, unlock;
};

class RulesLevelManager : public UnlockByScoresLevelManager {
  public:
    using UnlockByScoresLevelManager::UnlockByScoresLevelManager;

    void initLevels(const JTCore::JTArrayListPtr& levels) override {
        const std::pair<int32_t, const char*> specs[] = {
            {1, "Level: Normal"}, {3, "Level: Obstacles"}, {5, "Level: Night"}, {6, "Level: Ice"}};
        for (const auto& [id, title] : specs) {
            auto level = newLevelInfo(id);
            level->setTitle(NewJTString(title));
            levels->add(level);
        }
    }
    void startLevel(int32_t) override {}
    void addUnlockRules(const JTCore::JTArrayListPtr& list) override {
        for (const auto& r : rules) list->add(JTNew<UnlockByScoreRule>(r.level, r.score, r.unlock));
    }

    std::vector<Rule> rules;
};

// Keeps the debug lines, which the shell logger would swallow.
class DebugContext : public JTAppContext {
  public:
    void logD(const JTCore::JTStringPtr& text) override {
        if (isDebug()) lines.push_back(ToUtf8(text));
    }
    std::vector<std::string> lines;
};

class UnlockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        home.emplace();
        core = std::make_shared<fake::AppCore>(&journal);
        context = JTNew<DebugContext>();
        context->setAppCore(core);
        manager = JTNew<RulesLevelManager>(context);
        context->setLevelManager(manager);
    }
    void TearDown() override {
        context->setLevelManager(nullptr);
        home.reset();
    }

    std::string mapPath() const {
        return util::DocumentsDirectoryPath() + "/unlockinglevels.plist";
    }
    void writeMap(Value dictionary) {
        ASSERT_TRUE(util::WriteDictionaryToPlistFile(mapPath(), dictionary));
    }
    Value readMap() const { return util::ReadDictionaryFromPlistFile(mapPath()).value_or(Value()); }

    JTLevelMenuItemPtr item(int32_t levelId) {
        auto items = manager->getMenuItems();
        int32_t index = manager->getMenuIndexOfLevel(levelId);
        return index < 0 ? nullptr : DynamicCastLevelMenuItem(items->get(index));
    }
    void start(std::vector<Rule> rules) {
        manager->rules = std::move(rules);
        manager->reset();
    }
    void gameOver(int32_t levelId, int32_t score) {
        manager->beginPendingMessages();
        manager->onGameOver(levelId, score);
    }

    std::optional<platform::testing::TempHome> home;
    fake::Journal journal;
    std::shared_ptr<fake::AppCore> core;
    boost::intrusive_ptr<DebugContext> context;
    boost::intrusive_ptr<RulesLevelManager> manager;
};

const char* const kClosing = " unlocked.\nNow you can select the new level in the Title Menu.";

}  // namespace

TEST_F(UnlockTest, MapKeepsIntsUnderDecimalKeysAndIgnoresWhatIsNotANumber) {
    auto map = JTNew<JTIntIntMap>();
    EXPECT_EQ(map->get(3, -9), -9);
    map->put(3, 1);
    map->put(-4, 7);
    EXPECT_EQ(map->get(3, 0), 1);
    EXPECT_EQ(map->get(-4, 0), 7);
    EXPECT_TRUE(map->entries().count("-4"));
    map->remove(3);
    EXPECT_EQ(map->get(3, 0), 0);

    writeMap(Value::dictionary({{"3", "1"}, {"5", 2.0}, {"6", true}}));
    ASSERT_TRUE(map->load(nullptr, NewJTString("unlockinglevels")));
    EXPECT_EQ(map->get(3, 0), 0);  // text is not a number
    EXPECT_EQ(map->get(5, 0), 2);
    EXPECT_EQ(map->get(6, 0), 1);
    EXPECT_EQ(map->get(-4, 0), 0);  // the load replaced everything
    map->clear();
    EXPECT_TRUE(map->entries().empty());
}

TEST_F(UnlockTest, MapSavesABinaryPropertyListAndKeepsEntriesItDoesNotUnderstand) {
    auto name = NewJTString("unlockinglevels");
    writeMap(Value::dictionary({{"note", "from a later version"}, {"5", 1}}));
    auto map = JTNew<JTIntIntMap>();
    ASSERT_TRUE(map->load(nullptr, name));
    map->put(3, 1);
    ASSERT_TRUE(map->save(nullptr, name));

    std::ifstream file(mapPath(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.substr(0, 8), "bplist00");
    EXPECT_EQ(readMap(), Value::dictionary({{"3", 1}, {"5", 1}, {"note", "from a later version"}}));

    auto missing = JTNew<JTIntIntMap>();
    missing->put(1, 1);
    EXPECT_FALSE(missing->load(nullptr, NewJTString("nothing-here")));
    EXPECT_EQ(missing->get(1, 0), 1);  // a failed load changes nothing
    EXPECT_FALSE(missing->save(nullptr, NewJTString("")));
    EXPECT_FALSE(missing->save(nullptr, NewJTString("../outside")));
    EXPECT_FALSE(missing->save(nullptr, nullptr));
}

TEST_F(UnlockTest, ADamagedMapIsKeptAsideAndAnUnreadableOneIsNeverSavedOver) {
    auto name = NewJTString("unlockinglevels");
    { std::ofstream(mapPath(), std::ios::binary) << "bplist00 cut short"; }
    auto map = JTNew<JTIntIntMap>();
    EXPECT_FALSE(map->load(nullptr, name));
    map->put(3, 1);
    EXPECT_TRUE(map->save(nullptr, name));
    int keptAside = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(mapPath()).parent_path())) {
        keptAside +=
            entry.path().filename().string().rfind("unlockinglevels.plist.corrupt-", 0) == 0;
    }
    EXPECT_EQ(keptAside, 1);

    // A folder where the file should be cannot be read, and may be fixed by hand: kept.
    std::filesystem::remove(mapPath());
    std::filesystem::create_directory(mapPath());
    auto blocked = JTNew<JTIntIntMap>();
    EXPECT_FALSE(blocked->load(nullptr, name));
    blocked->put(4, 1);
    EXPECT_FALSE(blocked->save(nullptr, name));
    EXPECT_TRUE(std::filesystem::is_directory(mapPath()));
    std::filesystem::remove(mapPath());
}

TEST_F(UnlockTest, LockTextsNameEveryRuleJoinedWithOrAndSkipNegativeThresholds) {
    start({{1, 8000, 3},
           {1, 500, 5},
           {3, 9000, 5},
           {1, 100, 6},
           {3, 200, 6},
           {5, 300, 6},
           {1, -5, 1}});
    EXPECT_FALSE(item(1)->isLocked());  // a negative threshold never locks
    EXPECT_EQ(ToUtf8(item(1)->getLabel()), "Level: Normal");

    auto obstacles = item(3);
    EXPECT_TRUE(obstacles->isLocked());
    EXPECT_EQ(ToUtf8(obstacles->getLabel()), "Level: Obstacles (Locked)");
    EXPECT_EQ(ToUtf8(obstacles->getLockMessage()),
              "This level is unlocked when you score more than 8000 points in the Level: Normal.");
    EXPECT_EQ(ToUtf8(item(5)->getLockMessage()),
              "This level is unlocked when you score more than 500 points in the Level: Normal, "
              "or 9000 points in the Level: Obstacles.");
    EXPECT_EQ(ToUtf8(item(6)->getLockMessage()),
              "This level is unlocked when you score more than 100 points in the Level: Normal, "
              "200 points in the Level: Obstacles, or 300 points in the Level: Night.");
    EXPECT_EQ(manager->getSelectableLevelId(3), 1);
}

TEST_F(UnlockTest, RuleNamingAMissingLevelShowsItsId) {
    start({{42, 10, 3}});
    EXPECT_EQ(ToUtf8(item(3)->getLockMessage()),
              "This level is unlocked when you score more than 10 points in the 42.");
    start({{1, 10, 77}});
    gameOver(1, 10);
    auto notices = manager->takePendingMessages();
    ASSERT_TRUE(notices);
    EXPECT_EQ((*notices)[1], std::string("77 was") + kClosing);
}

TEST_F(UnlockTest, NoticeNamesOneTwoOrThreeUnlockedLevels) {
    start({{1, 100, 3}, {1, 200, 5}, {1, 300, 6}, {3, 0, 1}});
    gameOver(1, 150);
    auto one = manager->takePendingMessages();
    ASSERT_TRUE(one);
    EXPECT_EQ(*one, (std::vector<std::string>{"Congratulations!",
                                              std::string("Level: Obstacles was") + kClosing}));

    start({{1, 100, 3}, {1, 200, 5}, {1, 300, 6}});
    fs::remove(mapPath());
    manager->reset();
    gameOver(1, 250);
    EXPECT_EQ((*manager->takePendingMessages())[1],
              std::string("Level: Obstacles and Level: Night were") + kClosing);

    fs::remove(mapPath());
    manager->reset();
    gameOver(1, 300);
    EXPECT_EQ((*manager->takePendingMessages())[1],
              std::string("Level: Obstacles, Level: Night and Level: Ice were") + kClosing);

    // Everything is unlocked now: another good run says nothing and writes nothing.
    fs::remove(mapPath());
    gameOver(1, 5000);
    EXPECT_FALSE(manager->takePendingMessages());
    EXPECT_FALSE(fs::exists(mapPath()));
}

TEST_F(UnlockTest, AnyNonZeroNumberInTheFileUnlocks) {
    start({{1, 8000, 3}, {1, 8000, 5}, {1, 8000, 6}});
    writeMap(Value::dictionary({{"3", 2}, {"5", 0}, {"6", "yes"}}));
    EXPECT_FALSE(item(3)->isLocked());
    EXPECT_TRUE(item(5)->isLocked());
    EXPECT_TRUE(item(6)->isLocked());
}

TEST_F(UnlockTest, ResetReloadsTheFileAtTheNextUse) {
    start({{1, 8000, 3}});
    EXPECT_TRUE(item(3)->isLocked());
    writeMap(Value::dictionary({{"3", 1}}));
    EXPECT_TRUE(item(3)->isLocked());  // loaded once, kept until reset
    manager->reset();
    EXPECT_FALSE(item(3)->isLocked());
}

TEST_F(UnlockTest, CopyRuleCopiesTheSourceValueAndRewritesTheFile) {
    context->setDebug(true);
    start({{1, UnlockByScoreRule::kCopyRule, 5}, {3, UnlockByScoreRule::kCopyRule, 6}});
    writeMap(Value::dictionary({{"1", 4}, {"6", 9}}));
    EXPECT_EQ(manager->getUnlockMap()->get(5, 0), 4);
    EXPECT_EQ(manager->getUnlockMap()->get(6, 0), 9);  // target already set: left alone
    EXPECT_EQ(readMap(), Value::dictionary({{"1", 4}, {"5", 4}, {"6", 9}}));
    EXPECT_EQ(context->lines,
              (std::vector<std::string>{"copy unlocking state from:1 to:5 value:4"}));
    // Copy rules never lock anything and never show in a lock text.
    EXPECT_FALSE(item(6)->isLocked());
}

TEST_F(UnlockTest, AFailedWriteIsRetriedAndTheUnlockSurvivesAReset) {
    start({{1, 100, 3}});
    fs::create_directories(mapPath());  // a directory in the way: the write must fail
    gameOver(1, 100);
    EXPECT_TRUE(manager->takePendingMessages());
    EXPECT_TRUE(manager->hasUnsavedUnlocks());

    manager->reset();  // still cannot write: the unlock stays in memory
    EXPECT_FALSE(item(3)->isLocked());
    EXPECT_TRUE(manager->hasUnsavedUnlocks());

    fs::remove(mapPath());
    manager->getUnlockMap();  // the next use writes it
    EXPECT_FALSE(manager->hasUnsavedUnlocks());
    EXPECT_EQ(readMap(), Value::dictionary({{"3", 1}}));
    manager->reset();
    EXPECT_FALSE(item(3)->isLocked());
}
