#include "app/screens/SimpleSelectView.h"

#include <gtest/gtest.h>

#include "FakeAppCore.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/InterfaceLoader.h"

using namespace app;

namespace {

class Chooser : public SimpleSelectViewDelegate {
  public:
    std::vector<std::string> items{"Level: Normal", "Level: Obstacles", "Level: Test"};
    std::vector<std::optional<std::string>> infos{std::string("Plain road"), std::nullopt,
                                                  std::string("Plain road")};
    bool accept = true;
    std::vector<std::string> log;
    std::function<void()> onNext;

    int itemsNum() override { return int(items.size()); }
    std::string itemLabelAt(int i) override { return items.at(std::size_t(i)); }
    std::optional<std::string> itemInfoTextAt(int i) override {
        log.push_back("info " + std::to_string(i));
        return infos.at(std::size_t(i));
    }
    bool canBeDoneWithIndex(int i, SimpleSelectView&) override {
        log.push_back("can " + std::to_string(i));
        return accept;
    }
    void didBeDoneWithIndex(int i, SimpleSelectView&) override {
        log.push_back("done " + std::to_string(i));
    }
    void startNextView() override {
        log.push_back("next");
        if (onNext) onNext();
    }
};

class SimpleSelectViewTest : public ::testing::Test {
  protected:
    SimpleSelectViewTest() {
        platform::ui::InterfaceLoader::setSearchDirectory(std::string(MOVU_SOURCE_DIR) +
                                                          "/assets/ui");
        select->setAppCore(core);
    }
    ~SimpleSelectViewTest() override { platform::ui::InterfaceLoader::setSearchDirectory({}); }

    platform::MainLoopTestScope loop;
    platform::testing::PlatformStateScope platformState;
    std::shared_ptr<FakeAppCore> core = std::make_shared<FakeAppCore>();
    std::shared_ptr<SimpleSelectView> select = ViewControllerBase::make<SimpleSelectView>();
    std::shared_ptr<Chooser> chooser = std::make_shared<Chooser>();
};

using Log = std::vector<std::string>;

}  // namespace

TEST_F(SimpleSelectViewTest, StartShowsThePickerInANavigationContainer) {
    select->startWithDelegate(chooser, "Select Level", 1);
    auto nav = select->containerVC();
    ASSERT_TRUE(nav);
    EXPECT_EQ(core->window_->rootViewController(), nav);
    EXPECT_TRUE(select->loadError().empty()) << select->loadError();
    ASSERT_TRUE(select->picker());
    ASSERT_TRUE(select->itemInfoTextView());
    EXPECT_EQ(select->picker()->numberOfRowsInComponent(0), 3);
    EXPECT_EQ(select->picker()->selectedRowInComponent(0), 1);
    EXPECT_EQ(select->picker()->titleForRow(2, 0), "Level: Test");
    EXPECT_EQ(select->picker()->widthForComponent(0), 300);
    EXPECT_EQ(select->picker()->rowHeightForComponent(0), 40);
    EXPECT_EQ(nav->titleLabel()->text(), "Select Level");
    ASSERT_TRUE(nav->leftButton());
    ASSERT_TRUE(nav->rightButton());
    EXPECT_EQ(nav->leftButton()->currentTitle(), "Done");
    EXPECT_EQ(nav->rightButton()->currentTitle(), "Cancel");
    EXPECT_TRUE(select->closeAnimationEnabled());
    // Item 1 has no info: the text view hides.
    EXPECT_TRUE(select->itemInfoTextView()->isHidden());
}

TEST_F(SimpleSelectViewTest, InitialIndexIsClampedIntoTheRows) {
    select->setSelectedIndex(1);  // before any delegate: kept as given
    EXPECT_EQ(select->selectedIndex(), 1);
    select->startWithDelegate(chooser, "t", 7);
    EXPECT_EQ(select->selectedIndex(), 2);
    EXPECT_EQ(select->picker()->selectedRowInComponent(0), 2);
    select->setSelectedIndex(-3);
    EXPECT_EQ(select->selectedIndex(), 0);
}

TEST_F(SimpleSelectViewTest, SameInfoTextDoesNotTouchTheTextView) {
    select->startWithDelegate(chooser, "t", 0);
    auto text = select->itemInfoTextView();
    EXPECT_FALSE(text->isHidden());
    EXPECT_EQ(text->text(), "Plain road");
    int flashes = text->indicatorFlashCount();
    text->setText("touched?");
    select->picker()->pickRow(2, 0);  // same info as row 0
    EXPECT_EQ(select->selectedIndex(), 2);
    EXPECT_EQ(text->text(), "touched?");
    EXPECT_EQ(text->indicatorFlashCount(), flashes);
    select->picker()->pickRow(1, 0);
    EXPECT_TRUE(text->isHidden());
    select->picker()->pickRow(0, 0);
    EXPECT_FALSE(text->isHidden());
    EXPECT_EQ(text->text(), "Plain road");
    EXPECT_EQ(text->indicatorFlashCount(), flashes + 1);
}

TEST_F(SimpleSelectViewTest, DoneAsksTheDelegateAndClosesOnlyWhenAllowed) {
    select->startWithDelegate(chooser, "t", 1);
    chooser->log.clear();
    chooser->accept = false;
    select->containerVC()->leftButton()->tap();
    EXPECT_EQ(chooser->log, (Log{"can 1"}));
    EXPECT_EQ(select->containerVC()->view()->superview(), core->window_);  // still open

    chooser->accept = true;
    chooser->log.clear();
    select->onDoneBtn();
    EXPECT_EQ(chooser->log, (Log{"can 1", "done 1", "next"}));
    EXPECT_EQ(select->containerVC()->view()->superview(), nullptr);
    EXPECT_EQ(select->delegate(), nullptr);
    EXPECT_EQ(core->calls, (std::vector<std::string>{"transition 1 500ms"}));

    // A second close, or Done after it, does nothing.
    select->onDoneBtn();
    select->close();
    select->closeWithAnimation();
    EXPECT_EQ(chooser->log.size(), 3u);
    EXPECT_EQ(core->calls.size(), 1u);
}

TEST_F(SimpleSelectViewTest, CancelOnlyHandsOverAndRespectsTheAnimationFlag) {
    select->startWithDelegate(chooser, "t", 0);
    select->setCloseAnimationEnabled(false);
    chooser->log.clear();
    select->containerVC()->rightButton()->tap();
    EXPECT_EQ(chooser->log, (Log{"next"}));
    EXPECT_TRUE(core->calls.empty());
}

TEST_F(SimpleSelectViewTest, NextViewMayStartTheScreenAgain) {
    auto second = std::make_shared<Chooser>();
    select->startWithDelegate(chooser, "first", 0);
    chooser->onNext = [&] { select->startWithDelegate(second, "second", 1); };
    select->closeWithAnimation();
    // The new start keeps its delegate and shows again.
    EXPECT_EQ(select->delegate(), second);
    EXPECT_EQ(select->containerVC()->view()->superview(), core->window_);
    EXPECT_EQ(select->containerVC()->titleLabel()->text(), "second");
}

TEST_F(SimpleSelectViewTest, DoneWithoutDelegateOrRowsIsHarmless) {
    select->startWithDelegate(nullptr, "none", 3);
    EXPECT_EQ(select->picker()->numberOfRowsInComponent(0), 0);
    EXPECT_EQ(select->picker()->selectedRowInComponent(0), -1);
    select->onDoneBtn();
    EXPECT_EQ(select->containerVC()->view()->superview(), core->window_);

    chooser->items.clear();
    chooser->infos.clear();
    select->startWithDelegate(chooser, "empty", 0);
    select->onDoneBtn();  // nothing to choose: closes like Cancel
    EXPECT_EQ(chooser->log, (Log{"next"}));
}

TEST_F(SimpleSelectViewTest, GoingToTheBackgroundClosesAfterCloseWhenSuspend) {
    select->startWithDelegate(chooser, "t", 0);
    chooser->log.clear();
    select->closeWhenSuspend();
    select->closeWhenSuspend();  // registers once
    platform::ui::Application::shared().becomeActive();
    platform::ui::Application::shared().enterBackground();
    EXPECT_EQ(chooser->log, (Log{"next"}));
    // Closed: the observer is gone with it.
    platform::ui::Application::shared().enterForeground();
    platform::ui::Application::shared().enterBackground();
    EXPECT_EQ(chooser->log, (Log{"next"}));
}
