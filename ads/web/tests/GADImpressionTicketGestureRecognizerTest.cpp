#include "ads/web/GADImpressionTicketGestureRecognizer.h"

#include <gtest/gtest.h>

#include <vector>

#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/TouchInput.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using platform::Point;

class GADImpressionTicketGestureRecognizerTest : public ::testing::Test {
  protected:
    GADImpressionTicketGestureRecognizerTest() {
        window->addSubview(view);
        view->setAdDebugDialog("creative 7");
    }
    ~GADImpressionTicketGestureRecognizerTest() override {
        if (auto alert = platform::ui::AlertView::visibleAlert())
            alert->dismissWithClickedButtonIndex(0, false);
        scope.runUntilIdle();
        view->removeFromSuperview();
    }

    // One finger down at x = 100 (y = 25 in the ad), moved by each horizontal step (with the
    // vertical step of that move), then lifted where it is.
    bool draw(const std::vector<Point>& steps) {
        Point at{100, 125};
        input.touchDown(1, at);
        for (Point step : steps) {
            at.x += step.x;
            at.y += step.y;
            input.touchMove(1, at);
        }
        input.touchUp(1, at);
        scope.runUntilIdle();
        const bool shown = platform::ui::AlertView::visibleAlert() != nullptr;
        if (auto alert = platform::ui::AlertView::visibleAlert())
            alert->dismissWithClickedButtonIndex(0, false);
        scope.runUntilIdle();
        return shown;
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<GADAdView> view = GADAdView::create({0, 100, 320, 50});
    platform::ui::TouchInput input{window};
};

TEST_F(GADImpressionTicketGestureRecognizerTest, AZigZagOpensTheDebugDialog) {
    // Right 20, left 20, right 20, then any leftward step: recognised.
    EXPECT_TRUE(draw({{20, 0}, {-20, 0}, {20, 0}, {-1, 0}}));
    // Runs may be drawn in several moves; small vertical wobbles are allowed.
    EXPECT_TRUE(draw({{10, 2}, {10, -3}, {-8, 5}, {-8, 0}, {0, 1}, {16, 0}, {-3, 0}, {-30, 0}}));
    // The recognizer starts afresh after each gesture.
    EXPECT_TRUE(draw({{15, 0}, {-15, 0}, {15, 0}, {-1, 0}}));
}

TEST_F(GADImpressionTicketGestureRecognizerTest, EverythingElseFails) {
    // A run shorter than 15 points before turning.
    EXPECT_FALSE(draw({{20, 0}, {-10, 0}, {20, 0}, {-1, 0}}));
    EXPECT_FALSE(draw({{14, 0}, {-20, 0}, {20, 0}, {-1, 0}}));
    // Stopping before the last run.
    EXPECT_FALSE(draw({{20, 0}, {-20, 0}}));
    EXPECT_FALSE(draw({{20, 0}, {-20, 0}, {20, 0}}));
    // Starting leftwards, or turning right again in the last run.
    EXPECT_FALSE(draw({{-20, 0}, {20, 0}, {-20, 0}, {20, 0}, {-1, 0}}));
    EXPECT_FALSE(draw({{20, 0}, {-20, 0}, {20, 0}, {-5, 0}, {1, 0}}));
    // A vertical step of 6 points fails at once, whatever follows.
    EXPECT_FALSE(draw({{20, 0}, {-20, 6}, {20, 0}, {-1, 0}}));
    // A tap.
    EXPECT_FALSE(draw({}));
    // And a good one still works afterwards.
    EXPECT_TRUE(draw({{20, 0}, {-20, 0}, {20, 0}, {-1, 0}}));
}

}  // namespace
}  // namespace ads
