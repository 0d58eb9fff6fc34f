#include "app/screens/TitleView.h"

#include <gtest/gtest.h>

#include "AppCoreTestSupport.h"
#include "app/screens/MyTitleView.h"
#include "app/screens/SimpleSelectView.h"
#include "app/screens/TitleViewDefaultLevelSelectDelegate.h"
#include "appbase/JTLevelManager.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/Window.h"

using namespace app;

using namespace appcore_test;

namespace {

// A game with as many levels as asked for (ids 1, 2, ...).
class CountedLevels : public JTAppBase::JTLevelManager {
  public:
    CountedLevels(const JTAppBase::JTAppContextPtr& context, int count, bool downloads)
        : JTLevelManager(context), count_(count), downloads_(downloads) {}
    bool canDownloadLevels() override { return downloads_; }
    void initLevels(const JTCore::JTArrayListPtr& levels) override {
        for (int i = 1; i <= count_; ++i) {
            auto level = newLevelInfo(i);
            level->setTitle(JTCore::NewJTString("Level " + std::to_string(i)));
            levels->add(level);
        }
    }
    void startLevel(int32_t) override {}

  private:
    int count_;
    bool downloads_;
};

class TitleViewTest : public AppCoreTest {
  protected:
    TitleViewTest() {
        platform::ui::InterfaceLoader::setSearchDirectory(std::string(MOVU_SOURCE_DIR) +
                                                          "/assets/ui");
        core = TestAppCore::make();
        core->applicationDidFinishLaunching(platform::ui::Application::shared());
    }
    ~TitleViewTest() override { platform::ui::InterfaceLoader::setSearchDirectory({}); }

    void useLevels(int count, bool downloads = false) {
        auto context = core->appContext();
        auto manager = JTCore::JTNew<CountedLevels>(context, count, downloads);
        context->setLevelManager(manager);
        manager->reset();
    }

    std::shared_ptr<MyTitleView> show() {
        auto title = ViewControllerBase::make<MyTitleView>(
            TitleView::interfaceFileName(core->screens().nibSuffixRotation(), core->appContext()));
        title->setAppCore(std::weak_ptr<TitleViewCore>(core->screenSeams()));
        title->startAsRootView();
        return title;
    }

    // The web page the app last opened in the browser.
    std::string lastOpened() const {
        return opened.empty() || opened.back().empty() ? std::string() : opened.back().back();
    }

    static bool hidden(const std::shared_ptr<platform::ui::Button>& b) {
        return !b || b->isHidden();
    }

    std::shared_ptr<TestAppCore> core;
};

TEST_F(TitleViewTest, TwoLevelsShowTheLevelChoiceAndItsStartButton) {
    auto title = show();
    EXPECT_TRUE(title->loadError().empty()) << title->loadError();
    ASSERT_TRUE(title->levelSelectBtn());
    EXPECT_FALSE(hidden(title->levelSelectBtn()));
    EXPECT_FALSE(hidden(title->startGameBtnWithSelector()));
    EXPECT_TRUE(hidden(title->startGameBtnWithoutSelector()));
    EXPECT_EQ(title->menuItems()->size(), 2);
    EXPECT_EQ(title->selectedIndex(), 0);
    EXPECT_EQ(title->levelSelectBtn()->currentTitle(), "Level: Normal");
    ASSERT_TRUE(title->copyrightLabel());
    EXPECT_EQ(title->copyrightLabel()->text(), "(c) test");
    EXPECT_EQ(title->view()->backgroundColor(),
              platform::Color::rgba(40 / 255.0f, 87 / 255.0f, 149 / 255.0f, 1));
    EXPECT_EQ(core->currentLevelId(), 1);  // a stale 0 became the first selectable level
}

TEST_F(TitleViewTest, OneLevelShowsThePlainStartButtonAndEveryAppearanceSetsBothWays) {
    useLevels(1);
    auto title = show();
    EXPECT_TRUE(hidden(title->levelSelectBtn()));
    EXPECT_TRUE(hidden(title->startGameBtnWithSelector()));
    EXPECT_FALSE(hidden(title->startGameBtnWithoutSelector()));

    // The game grows a level (an unlock, a download): the next appearance shows the choice.
    title->stop();
    useLevels(2);
    core->setCurrentLevelId(2);
    title->startAsRootView();
    EXPECT_FALSE(hidden(title->levelSelectBtn()));
    EXPECT_FALSE(hidden(title->startGameBtnWithSelector()));
    EXPECT_TRUE(hidden(title->startGameBtnWithoutSelector()));
    EXPECT_EQ(title->selectedIndex(), 1);
    EXPECT_EQ(title->levelSelectBtn()->currentTitle(), "Level 2");
}

TEST_F(TitleViewTest, EmptyMenuAndUnknownLevelsFallBackToTheFirstRow) {
    useLevels(0);
    core->setCurrentLevelId(7);
    auto title = show();
    EXPECT_EQ(title->selectedIndex(), 0);
    EXPECT_FALSE(title->menuItemAt(0));
    EXPECT_FALSE(title->menuItemAt(-1));
    EXPECT_FALSE(hidden(title->startGameBtnWithoutSelector()));
    title->updateView();  // nothing to name the choice after, and no exception either
}

TEST_F(TitleViewTest, LockedLevelIsRefusedWithItsMessageAndAnOpenOneBecomesCurrent) {
    auto title = show();
    TitleView_DefaultLevelSelectDelegate delegate(title, title->menuItems());
    auto select = ViewControllerBase::make<SimpleSelectView>();
    EXPECT_FALSE(delegate.useDL());
    ASSERT_EQ(delegate.itemsNum(), 2);  // no "More Levels ..." row
    EXPECT_EQ(delegate.itemLabelAt(0), "Level: Normal");
    EXPECT_EQ(delegate.itemInfoTextAt(0).value_or(""),
              "Tilt the device left and right to move the car!\n"
              "Run along the road and get hamburgers.");

    auto locked = delegate.menuItemAt(1);
    ASSERT_TRUE(locked);
    ASSERT_TRUE(locked->isLocked());
    std::string lockMessage = locked->getLockMessage()->toUtf8();
    EXPECT_EQ(delegate.itemInfoTextAt(1).value_or(""), lockMessage);
    EXPECT_FALSE(delegate.canBeDoneWithIndex(1, *select));
    EXPECT_EQ(alertTexts(), (std::vector<std::string>{locked->getLabel()->toUtf8(), lockMessage}));
    EXPECT_EQ(core->currentLevelId(), 1);

    // Rows that are no levels cannot be chosen either.
    EXPECT_FALSE(delegate.canBeDoneWithIndex(5, *select));
    EXPECT_EQ(delegate.itemLabelAt(5), "");

    platform::ui::AlertView::resetAll();
    EXPECT_TRUE(delegate.canBeDoneWithIndex(0, *select));
    EXPECT_TRUE(alertTexts().empty());
}

TEST_F(TitleViewTest, ChoosingALevelMakesItCurrentSavesAndRenamesTheButton) {
    useLevels(3);
    auto title = show();
    TitleView_DefaultLevelSelectDelegate delegate(title, title->menuItems());
    auto select = ViewControllerBase::make<SimpleSelectView>();
    std::filesystem::remove(settingsPath());
    ASSERT_TRUE(delegate.canBeDoneWithIndex(2, *select));
    delegate.didBeDoneWithIndex(2, *select);
    EXPECT_EQ(core->currentLevelId(), 3);
    EXPECT_TRUE(std::filesystem::exists(settingsPath()));
    EXPECT_EQ(title->levelSelectBtn()->currentTitle(), "Level 1");  // updated on appearance
    title->stop();
    title->startAsRootView();
    EXPECT_EQ(title->selectedIndex(), 2);
    EXPECT_EQ(title->levelSelectBtn()->currentTitle(), "Level 3");
}

TEST_F(TitleViewTest, LevelButtonOpensTheSelectionScreenOnTheCurrentLevel) {
    // A locked current level is not kept: the title falls back to a playable one.
    core->setCurrentLevelId(3);
    auto title = show();
    EXPECT_EQ(core->currentLevelId(), 1);
    EXPECT_EQ(title->selectedIndex(), 0);

    useLevels(3);
    core->setCurrentLevelId(2);
    title->stop();
    title->startAsRootView();
    EXPECT_EQ(title->selectedIndex(), 1);
    title->performAction("onSelectLevelBtn", nullptr);
    auto select = core->simpleSelectView();
    ASSERT_TRUE(select);
    EXPECT_EQ(select->title(), "Select a Level");
    EXPECT_EQ(select->selectedIndex(), 1);
    EXPECT_EQ(select->delegate(), title->levelSelectDelegate());
    EXPECT_FALSE(title->view()->superview());

    // Cancel hands back to the title and lets go of the delegate; the title keeps its own.
    select->close();
    EXPECT_FALSE(select->delegate());
    EXPECT_TRUE(title->levelSelectDelegate());
}

TEST_F(TitleViewTest, WebButtonsOpenTheirPagesWithTheCurrentLevel) {
    useLevels(3);
    core->setCurrentLevelId(2);
    auto title = show();
    title->performAction("onHowToPlayBtn", nullptr);
    EXPECT_NE(lastOpened().find("cmd/jump?"), std::string::npos) << lastOpened();
    EXPECT_NE(lastOpened().find("&tgt=1&"), std::string::npos) << lastOpened();
    EXPECT_EQ(lastOpened().find("&lid="), std::string::npos) << lastOpened();
    title->performAction("onOtherGamesBtn", nullptr);
    EXPECT_NE(lastOpened().find("&tgt=2&"), std::string::npos) << lastOpened();
    title->performAction("onMoreLevelsBtn", nullptr);
    EXPECT_NE(lastOpened().find("&tgt=6&"), std::string::npos) << lastOpened();
    EXPECT_NE(lastOpened().find("&lid=2&"), std::string::npos) << lastOpened();
    EXPECT_EQ(opened.size(), 3u);
}

TEST_F(TitleViewTest, DownloadableLevelsAddAMoreLevelsRowThatOpensTheWebService) {
    useLevels(2, true);
    auto title = ViewControllerBase::make<MyTitleView>("Title_Portrait");
    title->setAppCore(std::weak_ptr<TitleViewCore>(core->screenSeams()));
    title->startAsRootView();
    TitleView_DefaultLevelSelectDelegate delegate(title, title->menuItems());
    auto select = ViewControllerBase::make<SimpleSelectView>();
    ASSERT_TRUE(delegate.useDL());
    ASSERT_EQ(delegate.itemsNum(), 3);
    EXPECT_EQ(delegate.itemLabelAt(1), "Level 2");
    EXPECT_EQ(delegate.itemLabelAt(2), "More Levels ...");
    EXPECT_EQ(delegate.itemInfoTextAt(2).value_or(""),
              "Get more levels now!\n(Press Done button to proceed)");
    EXPECT_TRUE(delegate.canBeDoneWithIndex(2, *select));
    EXPECT_TRUE(alertTexts().empty());

    // The extra row only opens the page: the current level and the settings stay.
    std::filesystem::remove(settingsPath());
    delegate.didBeDoneWithIndex(2, *select);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(lastOpened().find("&tgt=8&"), std::string::npos) << lastOpened();
    EXPECT_NE(lastOpened().find("&lid=1&"), std::string::npos) << lastOpened();
    EXPECT_EQ(core->currentLevelId(), 1);
    EXPECT_FALSE(std::filesystem::exists(settingsPath()));
}

}  // namespace
