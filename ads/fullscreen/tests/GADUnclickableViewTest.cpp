#include "ads/fullscreen/GADUnclickableView.h"

#include <gtest/gtest.h>

using ads::GADUnclickableView;
using platform::ui::View;

TEST(GADUnclickableViewTest, OnlyItsSubviewsTakeTouches) {
    auto below = View::create({0, 0, 100, 100});
    auto pane = GADUnclickableView::create({0, 0, 100, 100});
    auto button = View::create({10, 10, 20, 20});
    auto nested = GADUnclickableView::create({50, 50, 40, 40});
    pane->addSubview(button);
    pane->addSubview(nested);
    below->addSubview(pane);

    EXPECT_EQ(pane->hitTest({15, 15}, nullptr), button);
    EXPECT_EQ(pane->hitTest({80, 20}, nullptr), nullptr);
    EXPECT_EQ(pane->hitTest({60, 60}, nullptr), nullptr);  // an empty pane inside one
    EXPECT_EQ(below->hitTest({80, 20}, nullptr), below);
    EXPECT_EQ(below->hitTest({15, 15}, nullptr), button);
}
