#include "ads/slot/GADPushTransitionView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/runtime/MainLoopTestScope.h"

namespace ads {
namespace {

using platform::Rect;
using platform::ui::View;

class GADPushTransitionViewTest : public ::testing::Test {
  protected:
    std::shared_ptr<View> badge(double w, double h) { return View::create(Rect(0, 0, w, h)); }

    platform::MainLoopTestScope loop;
    std::shared_ptr<GADPushTransitionView> view =
        GADPushTransitionView::create(Rect(10, 10, 100, 40));
};

TEST_F(GADPushTransitionViewTest, CyclesThroughItsViewsOnePeriodApart) {
    auto a = badge(20, 10), b = badge(30, 30), c = badge(8, 8);
    view->setViews({a, b, c});
    EXPECT_EQ(view->currentView(), a);
    EXPECT_EQ(a->superview(), view->clippingView());
    EXPECT_FALSE(view->lastTransition());

    // Four seconds still, one of animation: the next view comes after five.
    loop.advance(4.999);
    EXPECT_EQ(view->currentView(), a);
    loop.advance(0.001);
    EXPECT_EQ(view->currentView(), b);
    EXPECT_EQ(view->currentViewIndex(), 1u);
    EXPECT_EQ(a->superview(), nullptr);
    EXPECT_EQ(b->superview(), view->clippingView());
    ASSERT_TRUE(view->lastTransition());
    EXPECT_EQ(view->lastTransition()->type, "push");
    EXPECT_EQ(view->lastTransition()->subtype, "fromTop");
    EXPECT_EQ(view->lastTransition()->timingFunction, "easeInEaseOut");
    EXPECT_EQ(view->lastTransition()->key, "PushNewView");
    EXPECT_EQ(view->lastTransition()->duration, 1.0);

    loop.advance(5);
    EXPECT_EQ(view->currentView(), c);
    loop.advance(5);
    EXPECT_EQ(view->currentView(), a);
    EXPECT_EQ(view->clippingView()->subviews().size(), 1u);
}

TEST_F(GADPushTransitionViewTest, TheClippingViewFillsAndTheCurrentViewStaysCentred) {
    auto a = badge(20, 10), b = badge(30, 30);
    view->setViews({a, b});
    EXPECT_TRUE(view->clipsToBounds());
    EXPECT_TRUE(view->clippingView()->clipsToBounds());
    EXPECT_EQ(view->clippingView()->frame(), Rect(0, 0, 100, 40));
    EXPECT_EQ(a->frame(), Rect(40, 15, 20, 10));

    view->setFrame(Rect(0, 0, 60, 80));
    EXPECT_EQ(view->clippingView()->frame(), Rect(0, 0, 60, 80));
    EXPECT_EQ(a->frame(), Rect(20, 35, 20, 10));

    loop.advance(5);
    // The new view keeps its own size, centred in the clipping view as it is now.
    EXPECT_EQ(b->frame(), Rect(15, 25, 30, 30));
}

TEST_F(GADPushTransitionViewTest, FewerThanTwoViewsNeverStep) {
    auto a = badge(20, 10);
    view->setViews({a});
    EXPECT_EQ(view->currentView(), a);
    EXPECT_EQ(loop.loop().scheduledTimerCount(), 0u);
    loop.advance(60);
    EXPECT_EQ(view->currentView(), a);
    EXPECT_FALSE(view->lastTransition());

    view->setViews({});
    EXPECT_EQ(view->currentView(), nullptr);
    EXPECT_EQ(a->superview(), nullptr);
    EXPECT_EQ(loop.loop().scheduledTimerCount(), 0u);
}

TEST_F(GADPushTransitionViewTest, EveryChangeVoidsThePendingStepAndStartsAGeneration) {
    auto a = badge(20, 10), b = badge(30, 30), c = badge(8, 8);
    const auto first = view->animationGroupIdentifier();
    view->setViews({a, b});
    EXPECT_EQ(view->animationGroupIdentifier(), first + 1);

    loop.advance(3);
    view->setPresentationDuration(2);
    EXPECT_EQ(view->animationGroupIdentifier(), first + 2);
    EXPECT_EQ(loop.loop().scheduledTimerCount(), 1u);
    // The old step (due 2 s from now) is gone; the next comes a full 3 s after the change.
    loop.advance(2.999);
    EXPECT_EQ(view->currentView(), a);
    loop.advance(0.001);
    EXPECT_EQ(view->currentView(), b);

    view->setAnimationDuration(0.5);
    EXPECT_EQ(view->animationGroupIdentifier(), first + 3);
    loop.advance(2.5);
    EXPECT_EQ(view->currentView(), a);
    EXPECT_EQ(view->lastTransition()->duration, 0.5);

    // A new list starts over from its first view, and the cycle goes on from there.
    loop.advance(1);
    view->setViews({c, a, b});
    EXPECT_EQ(view->currentView(), c);
    EXPECT_EQ(view->currentViewIndex(), 0u);
    loop.advance(2.5);
    EXPECT_EQ(view->currentView(), a);
}

TEST_F(GADPushTransitionViewTest, UnusableDurationsStillLeaveTheLoopTimeToRest) {
    view->setViews({badge(1, 1), badge(2, 2)});
    view->setPresentationDuration(0);
    view->setAnimationDuration(0);
    EXPECT_EQ(view->stepDelay(), GADPushTransitionView::kMinimumStepDelay);
    view->setAnimationDuration(-5);
    EXPECT_EQ(view->stepDelay(), GADPushTransitionView::kMinimumStepDelay);
    view->setAnimationDuration(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(view->stepDelay(), GADPushTransitionView::kMinimumStepDelay);
    view->setAnimationDuration(std::numeric_limits<double>::infinity());
    EXPECT_EQ(view->stepDelay(), GADPushTransitionView::kMinimumStepDelay);

    // One step per tenth of a second, not a loop that never rests.
    EXPECT_EQ(loop.advance(1.05), 10u);
}

TEST_F(GADPushTransitionViewTest, AStepAfterTheViewIsGoneDoesNothing) {
    auto a = badge(1, 1), b = badge(2, 2);
    view->setViews({a, b});
    std::weak_ptr<GADPushTransitionView> weak = view;
    view.reset();
    EXPECT_TRUE(weak.expired());
    loop.advance(10);
    EXPECT_EQ(a->superview(), nullptr);
    EXPECT_EQ(b->superview(), nullptr);
}

}  // namespace
}  // namespace ads
