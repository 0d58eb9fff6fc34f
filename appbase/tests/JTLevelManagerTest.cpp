#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "appbase/FilesLevelManager.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTLevelManager.h"
#include "appbase/testsupport/FakeShell.h"

using namespace JTAppBase;
using JTCore::JTNew;
using JTCore::NewJTString;
using JTCore::ToUtf8;

namespace {

struct LevelSpec {
    int32_t id;
    const char* title;  // nullptr: none
    bool locked = false;
};

// A manager over a list the test can change; locked levels get a lock message.
class ListLevelManager : public JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;

    void initLevels(const JTCore::JTArrayListPtr& levels) override {
        if (foreign) levels->add(NewJTString("not a level"));
        for (const auto& spec : specs) {
            auto level = newLevelInfo(spec.id);
            if (spec.title) level->setTitle(NewJTString(spec.title));
            level->setDescription(NewJTString(std::string("about ") + std::to_string(spec.id)));
            levels->add(level);
        }
    }
    JTLevelMenuItemPtr newMenuItem(int32_t index, const JTLevelInfoPtr& level) override {
        auto item = JTLevelManager::newMenuItem(index, level);
        for (const auto& spec : specs) {
            if (spec.id == level->getId() && spec.locked) item->setLockMessage(NewJTString("no"));
        }
        return item;
    }
    void startLevel(int32_t id) override { started.push_back(id); }

    std::vector<LevelSpec> specs;
    std::vector<int32_t> started;
    bool foreign = false;
};

class FakeFilesManager : public FilesLevelManager {
  public:
    using FilesLevelManager::FilesLevelManager;
    void initLevels(const JTCore::JTArrayListPtr&) override {}
    void startLevel(int32_t) override {}
    void addDownloadedLevel(const JTLevelInfoPtr&) override {}
};

class JTLevelManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        core = std::make_shared<fake::AppCore>(&journal);
        view = std::make_shared<fake::GameView>(&journal, core);
        context = JTNew<JTAppContext>();
        context->setAppCore(core);
        context->setGameView(view);
        manager = JTNew<ListLevelManager>(context);
        context->setLevelManager(manager);
        manager->specs = {{1, "One"}, {3, "Three"}, {5, "Five"}};
    }
    void TearDown() override {
        // The context owns the manager; break that before the fixture lets go of both.
        context->setLevelManager(nullptr);
    }

    std::vector<int32_t> menuIds() {
        std::vector<int32_t> ids;
        auto items = manager->getMenuItems();
        for (int32_t i = 0; i < items->size(); ++i) {
            ids.push_back(DynamicCastLevelMenuItem(items->get(i))->getLevelInfo()->getId());
        }
        return ids;
    }

    fake::Journal journal;
    std::shared_ptr<fake::AppCore> core;
    std::shared_ptr<fake::GameView> view;
    boost::intrusive_ptr<JTAppContext> context;
    boost::intrusive_ptr<ListLevelManager> manager;
};

}  // namespace

TEST_F(JTLevelManagerTest, LevelsAndMenuAppearOnlyAfterResetAndFollowMarkDirty) {
    EXPECT_FALSE(manager->getLevelInfoById(1));
    EXPECT_EQ(manager->getMenuItems()->size(), 0);

    manager->reset();
    // Items are cached until marked dirty: reset marks them.
    EXPECT_EQ(menuIds(), (std::vector<int32_t>{1, 3, 5}));
    auto first = manager->getMenuItems()->get(0);
    EXPECT_EQ(manager->getMenuItems()->get(0), first);
    manager->markMenuItemsDirty();
    EXPECT_NE(manager->getMenuItems()->get(0), first);

    ASSERT_TRUE(manager->getLevelInfoById(3));
    EXPECT_EQ(ToUtf8(manager->getLevelInfoById(3)->getTitle()), "Three");
    EXPECT_EQ(manager->getLevelInfoById(3)->getAppContext(), context);
    EXPECT_EQ(manager->getMenuIndexOfLevel(5), 2);
    EXPECT_EQ(manager->getMenuIndexOfLevel(2), -1);
}

TEST_F(JTLevelManagerTest, IndexOfLevelTakesTheLastMatchAndSkipsForeignObjects) {
    manager->specs = {{1, "One"}, {3, "Three"}, {3, "Three again"}};
    manager->foreign = true;
    manager->reset();
    EXPECT_EQ(manager->indexOfLevel(1), 1);
    EXPECT_EQ(manager->indexOfLevel(3), 3);
    EXPECT_EQ(manager->indexOfLevel(2), -1);
    EXPECT_EQ(ToUtf8(manager->getLevelInfoById(3)->getTitle()), "Three again");
    // The stray object gets no menu row; both records of level 3 do.
    EXPECT_EQ(menuIds(), (std::vector<int32_t>{1, 3, 3}));
    EXPECT_EQ(manager->getMenuIndexOfLevel(3), 1);
}

TEST_F(JTLevelManagerTest, TheLevelBeingPlayedIsFoundEvenWhenNotListed) {
    manager->specs = {{1, "One"}, {7, "Downloaded"}};
    manager->reset();
    context->startLevel(7);
    EXPECT_EQ(manager->started, (std::vector<int32_t>{7}));
    auto playing = context->getLevelInfo();
    ASSERT_TRUE(playing);

    manager->specs = {{1, "One"}};
    manager->reset();
    EXPECT_EQ(manager->indexOfLevel(7), -1);
    EXPECT_EQ(manager->getLevelInfoById(7), playing);
    EXPECT_FALSE(manager->getLevelInfoById(8));
}

TEST_F(JTLevelManagerTest, SelectableIdPrefersTheIdThenThePreferredThenTheFirstUnlocked) {
    manager->specs = {{1, "One", true}, {3, "Three"}, {5, "Five"}};
    manager->reset();
    EXPECT_EQ(manager->getSelectableLevelId(5), 5);
    EXPECT_EQ(manager->getSelectableLevelId(1), 3);  // locked: the first selectable instead
    EXPECT_EQ(manager->getSelectableLevelId(9), 3);
    manager->setPreferredLevelId(5);
    EXPECT_EQ(manager->getSelectableLevelId(9), 5);

    context->setDebug(true);  // a developer may pick locked levels
    EXPECT_EQ(manager->getSelectableLevelId(1), 1);

    manager->specs = {{1, "One", true}};
    manager->reset();
    context->setDebug(false);
    EXPECT_EQ(manager->getSelectableLevelId(1), 0);
}

TEST_F(JTLevelManagerTest, NoticesAreHeldBackWhileACollectionIsOpen) {
    EXPECT_FALSE(manager->hasPendingMessages());
    manager->beginPendingMessages();
    EXPECT_FALSE(manager->hasPendingMessages());  // open but empty
    manager->showMessage(NewJTString("T1"), NewJTString("M1"));
    manager->showMessage(NewJTString("T2"), NewJTString("M2"));
    EXPECT_TRUE(manager->hasPendingMessages());
    EXPECT_TRUE(journal.empty());

    auto taken = manager->takePendingMessages();
    ASSERT_TRUE(taken);
    EXPECT_EQ(*taken, (std::vector<std::string>{"T1", "M1", "T2", "M2"}));
    EXPECT_FALSE(manager->hasPendingMessages());

    // Collection over: the next notice is shown at once.
    manager->showMessage(NewJTString("Now"), NewJTString("shown"));
    EXPECT_EQ(journal, (fake::Journal{"core.alert(Now|shown)"}));
    EXPECT_FALSE(manager->takePendingMessages());
}

TEST_F(JTLevelManagerTest, EmptyCollectionsAndReopeningDropTheirNotices) {
    manager->beginPendingMessages();
    EXPECT_FALSE(manager->takePendingMessages());  // empty: nothing, and the collection ends
    manager->showMessage(NewJTString("a"), NewJTString("b"));
    EXPECT_EQ(journal.size(), 1u);

    manager->beginPendingMessages();
    manager->showMessage(NewJTString("old"), NewJTString("notice"));
    manager->beginPendingMessages();
    EXPECT_FALSE(manager->hasPendingMessages());
    EXPECT_FALSE(manager->takePendingMessages());
}

TEST_F(JTLevelManagerTest, MenuItemTextsComeFromTheManager) {
    manager->specs = {{1, "One"}, {3, nullptr}};
    manager->reset();
    auto one = DynamicCastLevelMenuItem(manager->getMenuItems()->get(0));
    auto untitled = DynamicCastLevelMenuItem(manager->getMenuItems()->get(1));
    ASSERT_TRUE(one && untitled);
    EXPECT_EQ(ToUtf8(one->getLabel()), "One");
    EXPECT_EQ(ToUtf8(one->getInfoText()), "One");
    EXPECT_EQ(ToUtf8(one->getDescription()), "about 1");
    EXPECT_EQ(ToUtf8(one->getMenuTitle()), "One");
    EXPECT_FALSE(one->isLocked());
    one->setLabel(NewJTString("Other"));
    EXPECT_EQ(ToUtf8(one->getLabel()), "Other");
    EXPECT_EQ(ToUtf8(one->getMenuTitle()), "One");

    manager->setInfoTextPrefix(NewJTString("Next: "));
    EXPECT_EQ(ToUtf8(one->getInfoText()), "Next: One");
    EXPECT_EQ(ToUtf8(untitled->getInfoText()), "Next: ");  // no title: just the prefix

    EXPECT_FALSE(DynamicCastLevelMenuItem(NewJTString("not an item")));
}

TEST_F(JTLevelManagerTest, MenuItemOutlivingItsManagerAnswersFromItsLevel) {
    manager->reset();
    auto item = DynamicCastLevelMenuItem(manager->getMenuItems()->get(1));
    context->setLevelManager(nullptr);
    manager.reset();
    ASSERT_TRUE(item);
    EXPECT_EQ(ToUtf8(item->getLabel()), "Three");
    EXPECT_EQ(ToUtf8(item->getDescription()), "about 3");
}

TEST_F(JTLevelManagerTest, OnlyAFilesManagerUsesHashesAndDownloads) {
    EXPECT_FALSE(manager->usesLevelHashes());
    EXPECT_FALSE(manager->canDownloadLevels());
    EXPECT_FALSE(manager->showsDlLevelsOnGameOver());
    EXPECT_FALSE(manager->getNextLevelInfo(manager->newLevelInfo(1)));
    EXPECT_FALSE(manager->loadLevelData(manager->newLevelInfo(1)));

    auto files = JTNew<FakeFilesManager>(context);
    EXPECT_TRUE(files->usesLevelHashes());
    EXPECT_TRUE(files->canDownloadLevels());
    EXPECT_TRUE(files->showsDlLevelsOnGameOver());
}

TEST_F(JTLevelManagerTest, ShowMessageWithoutAContextIsDropped) {
    auto orphan = JTNew<ListLevelManager>(nullptr);
    orphan->showMessage(NewJTString("t"), NewJTString("m"));
    EXPECT_TRUE(journal.empty());
    EXPECT_FALSE(orphan->newLevelInfo(2)->getAppContext());
}
