#include <gtest/gtest.h>

#include <functional>

#include "platform/gfx/HeadlessContext.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/Label.h"
#include "platform/ui/OverlayText.h"
#include "platform/ui/ScrollView.h"
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
    AlertTest() { window->makeKeyAndVisible(); }
    platform::MainLoopTestScope loop;
    platform::testing::PlatformStateScope platformState;
    std::shared_ptr<Window> window = Window::create({0, 0, 320, 480});
    std::shared_ptr<Recorder> rec = std::make_shared<Recorder>();
};

using Log = std::vector<std::string>;

void forEachView(const std::shared_ptr<View>& v, const std::function<void(View&)>& f) {
    f(*v);
    for (auto& sub : v->subviews()) forEachView(sub, f);
}

std::size_t codePoints(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

// The overlay's button of that index (its tag; the overlay's plain views have tag 0 too).
std::shared_ptr<Button> buttonAt(const std::shared_ptr<View>& overlay, int index) {
    std::shared_ptr<Button> found;
    forEachView(overlay, [&](View& v) {
        if (auto* b = dynamic_cast<Button*>(&v); b && !found && b->tag() == index)
            found = std::static_pointer_cast<Button>(b->shared_from_this());
    });
    return found;
}

// Scrolls whatever holds the button until it shows, then touches its middle through the
// window: what a user can do.
bool reachable(Window& window, const std::shared_ptr<Button>& b) {
    if (auto scroller = std::dynamic_pointer_cast<ScrollView>(b->superview())) {
        double most = std::max(0.0, scroller->contentSize().height - scroller->bounds().height());
        scroller->setContentOffset({0, std::min(b->frame().minY(), most)});
    }
    Point middle = b->convertPointToView({b->bounds().midX(), b->bounds().midY()}, nullptr);
    if (!window.bounds().contains(middle)) return false;
    return window.hitTest(middle, nullptr) == b;
}

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

TEST_F(AlertTest, AnAlertLongerThanTheScreenKeepsEveryButtonReachableAndItsTextsBounded) {
    const std::string huge(100000, 'x');
    std::string words;
    while (words.size() < 100000) words += "a message from a server that goes on ";
    std::vector<std::string> titles;
    for (int i = 0; i < 12; ++i) titles.push_back(i == 3 ? huge : "Choice " + std::to_string(i));
    auto a = AlertView::create(huge, words, rec, "Cancel", titles);
    a->show();
    window->layoutIfNeeded();

    // The box fits the screen.
    auto box = a->view()->subviews().front();
    Rect shown = box->convertRectToView(box->bounds(), nullptr);
    EXPECT_GE(shown.minY(), 0);
    EXPECT_LE(shown.maxY(), 480);
    // Every button can be reached and answers.
    for (int i = 0; i < a->numberOfButtons(); ++i) {
        auto b = buttonAt(a->view(), i);
        ASSERT_TRUE(b) << i;
        EXPECT_TRUE(reachable(*window, b)) << i;
    }
    // What shows is cut to a few thousand characters; the alert keeps what it was given.
    std::size_t longest = 0;
    forEachView(a->view(), [&](View& v) {
        if (auto* label = dynamic_cast<Label*>(&v))
            longest = std::max(longest, codePoints(label->text()));
        if (auto* button = dynamic_cast<Button*>(&v))
            longest = std::max(longest, codePoints(button->currentTitle()));
    });
    EXPECT_LE(longest, kMaxOverlayTextCharacters + 1);
    EXPECT_EQ(a->message(), words);
    EXPECT_EQ(boundedOverlayText("h\u00e9llo", 2), "h\u00e9\u2026");

    // A window turned to landscape keeps the box on screen.
    window->setFrame({0, 0, 480, 320});
    window->layoutIfNeeded();
    shown = box->convertRectToView(box->bounds(), nullptr);
    EXPECT_GE(shown.minY(), 0);
    EXPECT_LE(shown.maxY(), 320);
    rec->log.clear();
    buttonAt(a->view(), 12)->tap();
    EXPECT_EQ(rec->log.front(), huge + ":click12");
}

TEST_F(AlertTest, TheMessageOfAScrollingAlertShowsItsText) {
    std::string error;
    auto context = platform::gfx::HeadlessContext::create(320, 480, &error);
    ASSERT_NE(context, nullptr) << error;
    std::string lines;
    for (int i = 0; i < 300; ++i) lines += "line " + std::to_string(i) + "\n";
    auto a = AlertView::create("Many lines", lines, rec, "OK");
    a->show();
    Compositor compositor;
    compositor.drawFrame(*window, 320, 480);
    auto img = context->readPixels();
    // White ink in the message area just below the title, and the OK button on screen.
    auto box = a->view()->subviews().front();
    Rect shown = box->convertRectToView(box->bounds(), nullptr);
    int ink = 0;
    for (int y = int(shown.minY()) + 40; y < int(shown.minY()) + 80; ++y)
        for (int x = int(shown.minX()); x < int(shown.maxX()); ++x)
            if (x >= 0 && x < img.width() && y >= 0 && y < img.height())
                ink += img.pixel(x, y)[1] > 200;
    EXPECT_GT(ink, 20);
    EXPECT_TRUE(reachable(*window, buttonAt(a->view(), 0)));
}

TEST_F(AlertTest, ActionSheetShowsItsWholeTitleOnAnOpaquePanel) {
    std::string error;
    auto context = platform::gfx::HeadlessContext::create(320, 480, &error);
    ASSERT_NE(context, nullptr) << error;
    auto behind = View::create({0, 0, 320, 480});
    window->addSubview(behind);
    const std::string question =
        "Do you really want to delete the whole ranking of the level Endless Road Two?";
    auto s = ActionSheet::create(question, rec, "Cancel", "DELETE");
    s->showInView(window);
    window->layoutIfNeeded();

    // Every wrapped line of the title has its room.
    std::shared_ptr<Label> title;
    forEachView(s->view(), [&](View& v) {
        if (auto* label = dynamic_cast<Label*>(&v); label && label->text() == question)
            title = std::static_pointer_cast<Label>(label->shared_from_this());
    });
    ASSERT_TRUE(title);
    std::size_t lines = wrappedLineCount(question, title->bounds().width(), title->font());
    EXPECT_GE(lines, 2u);
    EXPECT_EQ(title->numberOfLines(), 0);
    EXPECT_GE(title->bounds().height(), double(lines) * title->font().size * 1.2);

    // Nothing behind the panel shows through it.
    auto panel = s->view()->subviews().front();
    Point onPanel = panel->convertPointToView({5, panel->bounds().height() - 5}, nullptr);
    Compositor compositor;
    auto colourAt = [&](Color c) {
        behind->setBackgroundColor(c);
        compositor.drawFrame(*window, 320, 480);
        auto img = context->readPixels();
        auto* p = img.pixel(int(onPanel.x), int(onPanel.y));
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(colourAt({1, 0, 0, 1}), colourAt({0, 0, 1, 1}));

    // A sheet of many server choices fits the screen, every choice reachable.
    s->dismissWithClickedButtonIndex(0);
    auto many = ActionSheet::create(question, rec);
    for (int i = 0; i < 30; ++i) many->addButtonWithTitle("Option " + std::to_string(i));
    many->showInView(window);
    window->layoutIfNeeded();
    EXPECT_GE(many->view()->subviews().front()->frame().minY(), 0);
    for (int i = 0; i < 30; ++i) {
        auto b = buttonAt(many->view(), i);
        ASSERT_TRUE(b) << i;
        EXPECT_TRUE(reachable(*window, b)) << i;
    }
    many->dismissWithClickedButtonIndex(0);
}
