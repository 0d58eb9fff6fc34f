#include <gtest/gtest.h>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/PickerView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/TextView.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/Window.h"

using namespace platform::ui;

namespace {

struct Rows : PickerViewDataSource, PickerViewDelegate {
    std::vector<int> rows{5, 2};
    std::vector<std::pair<int, int>> picked;
    int numberOfComponentsInPickerView(PickerView&) override { return int(rows.size()); }
    int pickerViewNumberOfRowsInComponent(PickerView&, int c) override {
        return rows[std::size_t(c)];
    }
    std::string pickerViewTitleForRow(PickerView&, int r, int c) override {
        return std::to_string(c) + ":" + std::to_string(r);
    }
    double pickerViewWidthForComponent(PickerView&, int) override { return 100; }
    double pickerViewRowHeightForComponent(PickerView&, int) override { return 40; }
    void pickerViewDidSelectRow(PickerView&, int r, int c) override { picked.push_back({r, c}); }
};

}  // namespace

TEST(Controls, ButtonStatesFallBackToNormal) {
    auto b = Button::create(ButtonType::Custom, {0, 0, 100, 40});
    b->setTitle("Play", ControlStateNormal);
    b->setTitle("Playing", ControlStateSelected);
    b->setTitleColor({1, 0, 0, 1}, ControlStateHighlighted);
    EXPECT_EQ(b->currentTitle(), "Play");
    b->setSelected(true);
    EXPECT_EQ(b->currentTitle(), "Playing");
    b->setHighlighted(true);
    EXPECT_EQ(b->state(), ControlStateHighlighted | ControlStateSelected);
    EXPECT_EQ(b->currentTitle(), "Playing");
    EXPECT_EQ(b->currentTitleColor(), (Color{1, 0, 0, 1}));
    b->setEnabled(false);
    EXPECT_EQ(b->state(), ControlStateDisabled | ControlStateSelected);

    // Targets per event; one may be removed; an action may remove itself safely.
    auto c = Button::create();
    int downs = 0, ups = 0;
    int id = c->addTarget([&](Control*) { ++downs; }, ControlEventTouchDown);
    int self = 0;
    self = c->addTarget(
        [&](Control* sender) {
            ++ups;
            sender->removeTarget(self);
        },
        ControlEventTouchUpInside);
    c->tap();
    c->tap();
    EXPECT_EQ(downs, 2);
    EXPECT_EQ(ups, 1);
    c->removeTarget(id);
    c->tap();
    EXPECT_EQ(downs, 2);
    c->setHidden(true);
    EXPECT_EQ(c->allControlEvents(), 0u);
}

TEST(Controls, SwitchTogglesOnTapButNotFromCode) {
    auto s = Switch::create();
    int changes = 0;
    s->addTarget([&](Control*) { ++changes; }, ControlEventValueChanged);
    s->setOn(true);
    EXPECT_EQ(changes, 0);
    s->tap();
    EXPECT_FALSE(s->isOn());
    EXPECT_EQ(changes, 1);
}

TEST(Controls, PickerSelectionsStayInRangeAndOnlyUserPicksReachTheDelegate) {
    platform::MainLoopTestScope loop;
    auto rows = std::make_shared<Rows>();
    auto picker = PickerView::create({0, 0, 200, 200});
    picker->setDataSource(rows);
    picker->setDelegate(rows);
    picker->reloadAllComponents();
    EXPECT_EQ(picker->numberOfComponents(), 2);
    picker->selectRow(4, 0);
    picker->selectRow(9, 0);  // ignored
    EXPECT_EQ(picker->selectedRowInComponent(0), 4);
    EXPECT_TRUE(rows->picked.empty());

    rows->rows = {3, 0};
    picker->reloadAllComponents();
    EXPECT_EQ(picker->selectedRowInComponent(0), 2);  // kept inside the fewer rows
    EXPECT_EQ(picker->selectedRowInComponent(1), -1);

    // A tap one row below the centre of the first component picks the next row.
    auto window = Window::create({0, 0, 320, 480});
    window->addSubview(picker);
    picker->selectRow(0, 0);
    TouchInput input(window);
    input.touchDown(1, {50, 140});
    input.touchUp(1, {50, 140});
    EXPECT_EQ(rows->picked, (std::vector<std::pair<int, int>>{{1, 0}}));
    EXPECT_EQ(picker->titleForRow(1, 0), "0:1");
}

TEST(Controls, PickerAsksItsDataSourceWhenLaidOut) {
    platform::MainLoopTestScope loop;
    auto rows = std::make_shared<Rows>();
    auto picker = PickerView::create({0, 0, 200, 200});
    picker->setDataSource(rows);
    picker->layoutIfNeeded();  // what the compositor does before each frame
    EXPECT_EQ(picker->numberOfComponents(), 2);
    EXPECT_EQ(picker->numberOfRowsInComponent(0), 5);
}

TEST(Controls, ScrollViewDragsWithinContentAndFlashesIndicators) {
    platform::MainLoopTestScope loop;
    auto window = Window::create({0, 0, 320, 480});
    auto scroll = ScrollView::create({0, 0, 100, 100});
    scroll->setContentSize({100, 300});
    window->addSubview(scroll);
    TouchInput input(window);
    input.touchDown(1, {50, 90});
    input.touchMove(1, {50, 40});
    EXPECT_EQ(scroll->contentOffset(), (platform::Point{0, 50}));
    input.touchMove(1, {50, -400});  // far past the end
    input.touchUp(1, {50, -400});
    EXPECT_EQ(scroll->contentOffset(), (platform::Point{0, 200}));

    loop.advance(5);
    EXPECT_FALSE(scroll->indicatorsVisible());
    scroll->flashScrollIndicators();
    EXPECT_EQ(scroll->indicatorFlashCount(), 1);
    EXPECT_TRUE(scroll->indicatorsVisible());
    loop.advance(ScrollView::kIndicatorFlashSeconds + 0.01);
    EXPECT_FALSE(scroll->indicatorsVisible());

    // A drag cancelled part way ends as a lift-off would.
    input.touchDown(2, {50, 50});
    input.touchMove(2, {50, 60});
    input.cancelAll();
    loop.advance(ScrollView::kIndicatorFlashSeconds + 0.01);
    EXPECT_FALSE(scroll->indicatorsVisible());
}

TEST(Controls, ToolbarLaysOutItemsAndSpacesAndRunsActions) {
    int done = 0;
    auto bar = Toolbar::create({0, 0, 320, 44});
    auto fixed = BarButtonItem::createSystem(SystemItem::FixedSpace);
    fixed->setWidth(20);
    bar->setItems({BarButtonItem::createSystem(SystemItem::Cancel),
                   BarButtonItem::createSystem(SystemItem::FlexibleSpace), fixed,
                   BarButtonItem::createSystem(SystemItem::Done, [&](BarButtonItem&) { ++done; })});
    bar->layoutIfNeeded();
    auto cancel = bar->buttonForItem(0), ok = bar->buttonForItem(3);
    ASSERT_TRUE(cancel && ok);
    EXPECT_EQ(bar->buttonForItem(1), nullptr);
    EXPECT_EQ(ok->currentTitle(), "Done");
    EXPECT_DOUBLE_EQ(cancel->frame().minX(), 6);
    EXPECT_DOUBLE_EQ(ok->frame().maxX(), 314);  // the flexible space takes the rest
    ok->tap();
    bar->items()[3]->setEnabled(false);
    bar->items()[3]->tap();
    EXPECT_EQ(done, 1);
}

TEST(Controls, ToolbarShowsPicturesAndViewsOfItsItemsWithTheirLabels) {
    int backs = 0;
    auto bar = Toolbar::create({0, 0, 320, 44});
    auto picture = std::make_shared<const Image>("back", Size{27, 27});
    auto back = BarButtonItem::createWithImage(picture, BarButtonItemStyle::Plain,
                                               [&](BarButtonItem&) { ++backs; });
    back->setWidth(27);
    back->setIsAccessibilityElement(true);
    back->setAccessibilityLabel("Back");
    auto spinner = ActivityIndicator::create(ActivityIndicatorStyle::White);
    spinner->setFrame({0, 0, 20, 20});
    auto holder = BarButtonItem::createWithCustomView(spinner);
    holder->setIsAccessibilityElement(true);
    holder->setAccessibilityLabel("Spinner");
    // Not offered to assistive technology: its label stays off its button.
    auto quiet = BarButtonItem::createWithTitle("Quiet", BarButtonItemStyle::Bordered);
    quiet->setAccessibilityLabel("Hidden");
    bar->setItems({back, BarButtonItem::createSystem(SystemItem::FlexibleSpace), holder, quiet});
    bar->layoutIfNeeded();

    auto button = bar->buttonForItem(0);
    ASSERT_TRUE(button);
    EXPECT_EQ(button->currentImage(), picture);
    EXPECT_EQ(button->currentTitle(), "");
    EXPECT_DOUBLE_EQ(button->frame().size.width, 27);
    EXPECT_EQ(button->accessibilityLabel(), "Back");
    button->tap();
    EXPECT_EQ(backs, 1);

    // The custom view is shown as it is, centred in the bar's height; it is no button.
    EXPECT_EQ(bar->viewForItem(2), spinner);
    EXPECT_EQ(spinner->superview().get(), bar.get());
    EXPECT_DOUBLE_EQ(spinner->frame().origin.y, 12);
    EXPECT_EQ(spinner->accessibilityLabel(), "Spinner");
    EXPECT_EQ(bar->viewForItem(1), nullptr);
    EXPECT_EQ(bar->buttonForItem(3)->accessibilityLabel(), "");

    // New items take the custom view out of the bar with the buttons.
    bar->setItems({});
    EXPECT_EQ(spinner->superview(), nullptr);
    EXPECT_EQ(bar->viewForItem(0), nullptr);
}

TEST(Controls, ActivityIndicatorHidesWhenStoppedAndTabsSwitch) {
    auto spinner = ActivityIndicator::create(ActivityIndicatorStyle::WhiteLarge);
    EXPECT_TRUE(spinner->isHidden());
    spinner->startAnimating();
    EXPECT_FALSE(spinner->isHidden());
    spinner->setHidesWhenStopped(false);
    spinner->stopAnimating();
    EXPECT_FALSE(spinner->isHidden());
    EXPECT_FALSE(spinner->isAnimating());

    platform::MainLoopTestScope loop;
    auto window = Window::create({0, 0, 320, 480});
    auto tabs = TabBarController::create();
    auto a = ViewController::create(), b = ViewController::create();
    a->setTitle("Scores");
    b->setTitle("Settings");
    tabs->setViewControllers({a, b});
    window->setRootViewController(tabs);
    EXPECT_EQ(a->view()->superview(), tabs->view());
    EXPECT_EQ(a->view()->frame(), (platform::Rect{0, 0, 320, 431}));
    ASSERT_TRUE(tabs->tabButton(1));
    EXPECT_EQ(tabs->tabButton(1)->currentTitle(), "Settings");
    tabs->tabButton(1)->tap();
    EXPECT_EQ(tabs->selectedIndex(), 1);
    EXPECT_EQ(a->appearance(), ViewController::Appearance::Disappeared);
    EXPECT_EQ(b->appearance(), ViewController::Appearance::Appeared);
    tabs->setSelectedIndex(5);
    EXPECT_EQ(tabs->selectedViewController(), b);
}

TEST(Controls, LabelMeasuresCharactersNotBytes) {
    auto ascii = Label::create({}, "cafe");
    auto accented = Label::create({}, "caf\xc3\xa9");
    EXPECT_DOUBLE_EQ(ascii->sizeThatFits({}).width, accented->sizeThatFits({}).width);
    accented->sizeToFit();
    EXPECT_GT(accented->bounds().size.width, 0);
}

TEST(Controls, TextViewContentGrowsWithItsTextAndScrolls) {
    auto tv = TextView::create({0, 0, 200, 100});
    tv->setFont({12, false});
    EXPECT_EQ(tv->contentSize().height, 0);
    tv->setText("one line");
    double one = tv->contentSize().height;
    EXPECT_GT(one, 12);
    std::string many;
    for (int i = 0; i < 40; ++i) many += "word" + std::to_string(i) + " ";
    tv->setText(many);
    double narrow = tv->contentSize().height;
    EXPECT_GT(narrow, 100);  // more than shows: worth scrolling
    tv->setFrame({0, 0, 400, 100});
    tv->layoutIfNeeded();  // wider: fewer lines
    EXPECT_LT(tv->contentSize().height, narrow);
}
