#include "ads/fullscreen/GADTransparentOverlayPresenter.h"

#include <gtest/gtest.h>

#include "ads/fullscreen/GADUnclickableView.h"
#include "ads/fullscreen/GADViewController.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/FakeFullScreenSlot.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

using ads::GADTransparentOverlayPresenter;
using ads::GADViewController;
using platform::Rect;

namespace {

using Events = std::vector<std::string>;

class GADTransparentOverlayPresenterTest : public ::testing::Test {
  protected:
    GADTransparentOverlayPresenterTest() {
        window->setRootViewController(root);
        window->makeKeyWindow();
    }
    std::shared_ptr<GADViewController> controller() {
        auto vc = GADViewController::create();
        vc->setSlot(slot);
        vc->setPresenter(presenter);
        return vc;
    }

    ads::testing::AdsTestScope scope;
    std::shared_ptr<ads::testing::FakeFullScreenSlot> slot =
        ads::testing::FakeFullScreenSlot::create();
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::ViewController> root = platform::ui::ViewController::create();
    std::shared_ptr<GADTransparentOverlayPresenter> presenter =
        GADTransparentOverlayPresenter::create();
};

}  // namespace

TEST_F(GADTransparentOverlayPresenterTest, SlidesInAndFadesOutOnTheClock) {
    auto vc = controller();
    int shown = 0;
    ASSERT_TRUE(vc->presentFromViewController(root, [&] { ++shown; }));
    auto pivot = presenter->pivotView();
    EXPECT_EQ(pivot->superview(), window);
    // A 480-point square centred on the application frame (the status bar takes 20 points),
    // the ad in the application frame's size at its middle, on a clear background.
    EXPECT_EQ(pivot->frame(), Rect(-80, 10, 480, 480));
    EXPECT_EQ(presenter->cropView()->frame(), Rect(80, 10, 320, 460));
    EXPECT_EQ(vc->view()->frame(), Rect(0, 0, 320, 460));
    EXPECT_EQ(vc->view()->backgroundColor(), platform::Color::clear());
    EXPECT_EQ(root->presentedViewController(), nullptr);  // no modal presentation
    scope.advance(GADTransparentOverlayPresenter::kSlideDuration - 0.01);
    EXPECT_EQ(shown, 0);
    scope.advance(0.02);
    EXPECT_EQ(shown, 1);

    int gone = 0;
    vc->relinquishScreenWithCompletion([&] { ++gone; });
    EXPECT_DOUBLE_EQ(vc->view()->alpha(), 0);
    EXPECT_EQ(pivot->superview(), window);
    scope.advance(GADTransparentOverlayPresenter::kFadeDuration - 0.01);
    EXPECT_EQ(gone, 0);
    scope.advance(0.02);
    EXPECT_EQ(gone, 1);
    EXPECT_EQ(pivot->superview(), nullptr);
    EXPECT_EQ(vc->view()->superview(), nullptr);
    EXPECT_EQ(slot->events, (Events{"willPresent", "willDismiss", "didDismiss"}));

    // Shown again, the faded view is visible again.
    ASSERT_TRUE(vc->presentFromViewController(root, {}));
    EXPECT_DOUBLE_EQ(vc->view()->alpha(), 1);
}

TEST_F(GADTransparentOverlayPresenterTest, TouchesOnEmptyAreasReachTheAppBelow) {
    auto vc = controller();
    ASSERT_TRUE(vc->presentFromViewController(root, {}));
    scope.advance(1);
    auto content = platform::ui::View::create({10, 10, 100, 100});
    vc->view()->addSubview(content);
    // The status bar's strip lies in the pivot but outside the ad.
    EXPECT_EQ(window->hitTest({160, 12}, nullptr), root->view());
    EXPECT_EQ(window->hitTest({20, 40}, nullptr), content);
}

TEST_F(GADTransparentOverlayPresenterTest, TheSlotLeavingItsWindowDismissesTheAd) {
    auto vc = controller();
    ASSERT_TRUE(vc->presentFromViewController(root, {}));
    scope.advance(1);
    slot->postDidLeaveWindow();
    scope.advance(1);
    EXPECT_EQ(slot->events, (Events{"willPresent", "willDismiss", "didDismiss"}));
    EXPECT_EQ(vc->view()->superview(), nullptr);

    // Not watching any more once dismissed; a later presentation watches again.
    slot->postDidLeaveWindow();
    scope.advance(1);
    EXPECT_EQ(slot->events.size(), 3u);
    ASSERT_TRUE(vc->presentFromViewController(root, {}));
    slot->postDidLeaveWindow();
    scope.advance(1);
    EXPECT_EQ(slot->events.size(), 6u);
}

TEST_F(GADTransparentOverlayPresenterTest, NotReadyWithoutAWindowToLayInto) {
    platform::ui::Application::shared().setKeyWindow({});
    auto outside = platform::ui::ViewController::create();
    auto vc = controller();
    EXPECT_FALSE(presenter->isReadyToPresent());
    EXPECT_FALSE(vc->presentFromViewController(outside, {}));
    EXPECT_TRUE(slot->events.empty());

    window->makeKeyWindow();
    EXPECT_TRUE(presenter->isReadyToPresent());
    // A root outside any window: the ad goes into the key window.
    ASSERT_TRUE(vc->presentFromViewController(outside, {}));
    EXPECT_EQ(presenter->pivotView()->superview(), window);
    EXPECT_EQ(presenter->presentationViewController(), root);
}

TEST_F(GADTransparentOverlayPresenterTest, FramesAreCentred) {
    EXPECT_EQ(
        GADTransparentOverlayPresenter::frameWithSizeCenteredInFrame({10, 20}, {0, 0, 30, 60}),
        Rect(10, 20, 10, 20));
    EXPECT_EQ(
        GADTransparentOverlayPresenter::frameWithSizeCenteredInFrame({40, 40}, {5, 5, 20, 20}),
        Rect(-5, -5, 40, 40));
    EXPECT_TRUE(presenter->transformForOrientation(3).isIdentity());
}
