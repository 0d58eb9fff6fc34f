#include <gtest/gtest.h>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/Window.h"

using namespace platform::ui;

namespace {

struct Recorder : AlertViewDelegate, ActionSheetDelegate {
    std::vector<std::string> log;
    std::function<void(AlertView&, int)> onClick;
    std::function<void(AlertView&, int)> onWillDismiss;
    void alertViewClickedButtonAtIndex(AlertView& a, int i) override {
        log.push_back(a.title() + ":click" + std::to_string(i));
        if (onClick) onClick(a, i);
    }
    void alertViewCancel(AlertView& a) override { log.push_back(a.title() + ":cancel"); }
    void willPresentAlertView(AlertView& a) override { log.push_back(a.title() + ":willPresent"); }
    void didPresentAlertView(AlertView& a) override { log.push_back(a.title() + ":didPresent"); }
    void alertViewWillDismissWithButtonIndex(AlertView& a, int i) override {
        log.push_back(a.title() + ":willDismiss" + std::to_string(i));
        if (onWillDismiss) onWillDismiss(a, i);
    }
    void alertViewDidDismissWithButtonIndex(AlertView& a, int i) override {
        log.push_back(a.title() + ":didDismiss" + std::to_string(i));
    }
    void actionSheetClickedButtonAtIndex(ActionSheet&, int i) override {
        log.push_back("sheet:click" + std::to_string(i));
    }
    void actionSheetCancel(ActionSheet&) override { log.push_back("sheet:cancel"); }
    void actionSheetDidDismissWithButtonIndex(ActionSheet&, int i) override {
        log.push_back("sheet:didDismiss" + std::to_string(i));
    }
};

class AlertTest : public ::testing::Test {
  protected:
    AlertTest() {
        Application::shared().reset();
        window->makeKeyAndVisible();
    }
    ~AlertTest() override {
        AlertView::resetAll();
        Application::shared().reset();
    }
    platform::MainLoopTestScope loop;
    std::shared_ptr<Window> window = Window::create({0, 0, 320, 480});
    std::shared_ptr<Recorder> rec = std::make_shared<Recorder>();
};

using Log = std::vector<std::string>;

}  // namespace

TEST_F(AlertTest, ButtonIndicesPutCancelFirst) {
    auto a = AlertView::create("t", "m", rec, "Cancel", {"One", "Two"});
    EXPECT_EQ(a->numberOfButtons(), 3);
    EXPECT_EQ(a->cancelButtonIndex(), 0);
    EXPECT_EQ(a->firstOtherButtonIndex(), 1);
    EXPECT_EQ(a->buttonTitleAtIndex(2), "Two");
    EXPECT_EQ(a->addButtonWithTitle("Three"), 3);
    EXPECT_EQ(a->buttonTitleAtIndex(9), "");

    auto noCancel = AlertView::create("t", "m", rec, "", {"Only"});
    EXPECT_EQ(noCancel->cancelButtonIndex(), -1);
    EXPECT_EQ(noCancel->firstOtherButtonIndex(), 0);

    auto onlyCancel = AlertView::create("t", "m", rec, "OK");
    EXPECT_EQ(onlyCancel->firstOtherButtonIndex(), -1);
    onlyCancel->setCancelButtonIndex(5);  // out of range: no cancel button
    EXPECT_EQ(onlyCancel->cancelButtonIndex(), -1);
}

TEST_F(AlertTest, AlertsQueueAndShowOneAtATime) {
    auto first = AlertView::create("first", "", rec, "OK");
    auto second = AlertView::create("second", "", rec, "OK", {"Go"});
    first->show();
    second->show();
    second->show();  // once is enough
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(second->isVisible());
    EXPECT_EQ(AlertView::queuedCount(), 1u);
    EXPECT_EQ(first->view()->superview(), window);

    // The caller may let go: a shown or queued alert keeps itself.
    std::weak_ptr<AlertView> weakSecond = second;
    first.reset();
    second.reset();
    ASSERT_FALSE(weakSecond.expired());

    AlertView::visibleAlert()->tapButton(0);
    EXPECT_EQ(rec->log,
              (Log{"first:willPresent", "first:didPresent", "first:click0", "first:willDismiss0",
                   "first:didDismiss0", "second:willPresent", "second:didPresent"}));
    auto shown = weakSecond.lock();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(window->subviews().back(), shown->view());
    shown->tapButton(1);
    shown.reset();
    loop.runUntilIdle();
    EXPECT_TRUE(weakSecond.expired());
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
}

TEST_F(AlertTest, ProgrammaticDismissFiresNoClick) {
    auto a = AlertView::create("a", "", rec, "OK", {"More"});
    auto queued = AlertView::create("q", "", rec, "OK");
    a->show();
    queued->show();
    queued->dismissWithClickedButtonIndex(0);  // never shown: just leaves the queue
    EXPECT_EQ(AlertView::queuedCount(), 0u);
    rec->log.clear();
    a->dismissWithClickedButtonIndex(1);
    EXPECT_EQ(rec->log, (Log{"a:willDismiss1", "a:didDismiss1"}));
    EXPECT_FALSE(a->isVisible());
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    a->tapButton(0);  // gone: ignored
    EXPECT_EQ(rec->log.size(), 2u);
}

TEST_F(AlertTest, ClickThatDismissesItselfIsNotDismissedTwice) {
    auto a = AlertView::create("a", "", rec, "OK");
    rec->onClick = [](AlertView& av, int) { av.dismissWithClickedButtonIndex(7); };
    a->show();
    rec->log.clear();
    a->tapButton(0);
    EXPECT_EQ(rec->log, (Log{"a:click0", "a:willDismiss7", "a:didDismiss7"}));
}

TEST_F(AlertTest, DismissFromInsideWillDismissIsTheSameDismissal) {
    auto a = AlertView::create("a", "", rec, "OK");
    auto b = AlertView::create("b", "", rec, "OK");
    rec->onWillDismiss = [](AlertView& av, int) { av.dismissWithClickedButtonIndex(5); };
    a->show();
    b->show();
    rec->log.clear();
    a->tapButton(0);
    EXPECT_EQ(rec->log, (Log{"a:click0", "a:willDismiss0", "a:didDismiss0", "b:willPresent",
                             "b:didPresent"}));
    EXPECT_EQ(AlertView::visibleAlert(), b);
    EXPECT_EQ(AlertView::queuedCount(), 0u);
}

TEST_F(AlertTest, TouchOnTheOverlayButtonClicksIt) {
    auto a = AlertView::create("a", "", rec, "No", {"Yes"});
    a->show();
    rec->log.clear();
    auto yes = std::dynamic_pointer_cast<Button>(a->view()->viewWithTag(1));
    ASSERT_TRUE(yes);
    EXPECT_EQ(yes->currentTitle(), "Yes");
    yes->tap();
    EXPECT_EQ(rec->log.front(), "a:click1");
}

TEST_F(AlertTest, ActionSheetIndicesAndCancelling) {
    auto s = ActionSheet::create("Pick", rec, "Cancel", "Delete", {"A", "B"});
    EXPECT_EQ(s->destructiveButtonIndex(), 0);
    EXPECT_EQ(s->buttonTitleAtIndex(1), "A");
    EXPECT_EQ(s->buttonTitleAtIndex(2), "B");
    EXPECT_EQ(s->cancelButtonIndex(), 3);
    EXPECT_EQ(s->firstOtherButtonIndex(), 1);
    EXPECT_EQ(s->addButtonWithTitle("C"), 4);

    auto plain = ActionSheet::create("", rec, "", "", {"x", "y"});
    EXPECT_EQ(plain->cancelButtonIndex(), -1);
    EXPECT_EQ(plain->destructiveButtonIndex(), -1);
    plain->setCancelButtonIndex(1);
    plain->setDestructiveButtonIndex(0);
    EXPECT_EQ(plain->cancelButtonIndex(), 1);
    EXPECT_EQ(plain->firstOtherButtonIndex(), -1);

    auto host = View::create({0, 0, 320, 480});
    window->addSubview(host);
    std::weak_ptr<ActionSheet> weak = s;
    s->showInView(host);
    EXPECT_EQ(s->view()->superview(), window);
    s->tapOutside();
    EXPECT_EQ(rec->log, (Log{"sheet:click3", "sheet:didDismiss3"}));

    rec->log.clear();
    s->showInView(host);
    s->cancel();
    EXPECT_EQ(rec->log, (Log{"sheet:cancel", "sheet:didDismiss3"}));
    s.reset();
    loop.runUntilIdle();
    EXPECT_TRUE(weak.expired());
}

TEST_F(AlertTest, ActionSheetCancelsOnATouchAroundItButNotOnItsPanel) {
    auto s = ActionSheet::create("Pick", rec, "Cancel", "", {"A"});
    s->showInView(window);
    TouchInput input{window};
    // The panel's own background (left of the buttons, below the title) keeps the sheet up.
    auto panel = s->view()->subviews().front();
    Point onPanel =
        s->view()->convertPointFromView({5, panel->bounds().size.height - 5}, panel.get());
    input.touchDown(1, onPanel);
    input.touchUp(1, onPanel);
    EXPECT_TRUE(s->isVisible());
    EXPECT_TRUE(rec->log.empty());

    input.touchDown(2, {160, 40});
    input.touchUp(2, {160, 40});
    EXPECT_FALSE(s->isVisible());
    EXPECT_EQ(rec->log, (Log{"sheet:click1", "sheet:didDismiss1"}));

    // Without a cancel button there is nothing to cancel to: the sheet stays.
    auto choice = ActionSheet::create("", rec, "", "", {"A", "B"});
    choice->showInView(window);
    rec->log.clear();
    input.touchDown(3, {160, 40});
    input.touchUp(3, {160, 40});
    EXPECT_TRUE(choice->isVisible());
    EXPECT_TRUE(rec->log.empty());
    choice->dismissWithClickedButtonIndex(0);
}

TEST_F(AlertTest, AlertStaysAboveLaterViewsAndWaitsForAKeyWindow) {
    auto a = AlertView::create("a", "", rec, "OK");
    a->show();
    auto game = View::create({0, 0, 320, 480});
    window->addSubview(game);  // a screen added later stays under the alert
    EXPECT_EQ(window->subviews().back(), a->view());
    window->addSubview(game);  // and so does one raised by adding it again
    EXPECT_EQ(window->subviews().back(), a->view());
    a->tapButton(0);
    window->addSubview(View::create());
    EXPECT_EQ(window->subviews().size(), 2u);

    // Shown with no key window: it appears when a window becomes key.
    Application::shared().reset();
    auto early = AlertView::create("early", "", rec, "OK");
    early->show();
    EXPECT_TRUE(early->isVisible());
    EXPECT_EQ(early->view()->superview(), nullptr);
    auto second = Window::create({0, 0, 320, 480});
    second->makeKeyAndVisible();
    EXPECT_EQ(early->view()->superview(), second);
}
