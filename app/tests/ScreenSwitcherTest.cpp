#include "app/appcore/ScreenSwitcher.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace ui = platform::ui;

using app::ScreenSwitcher;

TEST(ScreenSwitcher, EachOrientationHasItsRecordAndACanvasLayoutTurnsTheApp) {
    ScreenSwitcher screens;
    EXPECT_EQ(&screens.current(), &screens.recordAtIndex(0));
    EXPECT_EQ(&screens.recordFor(ui::OrientationLandscapeRight), &screens.recordAtIndex(1));
    EXPECT_EQ(&screens.recordFor(ui::OrientationUnknown), &screens.recordAtIndex(0));
    EXPECT_EQ(&screens.recordAtIndex(-1), &screens.recordAtIndex(0));
    EXPECT_EQ(screens.nibSuffixRotation(), "_Portrait");

    EXPECT_FALSE(screens.turnToCanvasLayout(0));
    EXPECT_TRUE(screens.turnToCanvasLayout(1));
    EXPECT_EQ(screens.orientation(), ui::OrientationLandscapeRight);
    EXPECT_TRUE(screens.landscape());
    EXPECT_EQ(screens.nibSuffixRotation(), "_Landscape");
    EXPECT_EQ(&screens.current(), &screens.recordAtIndex(1));
    EXPECT_FALSE(screens.turnToCanvasLayout(1));
    EXPECT_TRUE(screens.turnToCanvasLayout(5));  // any other layout is portrait
    EXPECT_EQ(screens.orientation(), ui::OrientationPortrait);
}

TEST(ScreenSwitcher, ViewsAreTurnedOverTheWindowAndChangesReachIt) {
    platform::MainLoopTestScope loop;
    ScreenSwitcher screens;
    // Without a window nothing is shown and nothing fails.
    screens.transition(ui::AnimationTransition::FlipFromLeft, 0.5);
    screens.setRootViewController(nullptr);

    auto window = ui::Window::create({0, 0, 200, 300});
    screens.setWindow(window);
    EXPECT_EQ(screens.screenSize(), (platform::Size{200, 300}));
    auto view = ui::View::create({0, 0, 10, 10});
    screens.applyInterfaceOrientation(ui::OrientationLandscapeLeft, *view);
    EXPECT_EQ(view->bounds(), (platform::Rect{0, 0, 300, 200}));
    EXPECT_EQ(view->center(), (platform::Point{150, 100}));
    EXPECT_EQ(view->transform(), platform::AffineTransform::rotation(-M_PI / 2));
    screens.applyInterfaceOrientation(ui::OrientationPortraitUpsideDown, *view);
    EXPECT_EQ(view->bounds(), (platform::Rect{0, 0, 200, 300}));
    EXPECT_EQ(view->transform(), platform::AffineTransform::rotation(M_PI));

    screens.transition(ui::AnimationTransition::CurlUp, 0.5);
    auto transition = window->activeTransition();
    ASSERT_TRUE(transition);
    EXPECT_EQ(transition->kind, ui::AnimationTransition::CurlUp);
    auto root = ui::ViewController::create();
    screens.setRootViewController(root);
    EXPECT_EQ(window->rootViewController(), root);
}
