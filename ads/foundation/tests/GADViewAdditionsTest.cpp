#include "ads/foundation/GADViewAdditions.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADViewUtilities.h"
#include "platform/gfx/HeadlessContext.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using platform::Rect;
using platform::Value;
using platform::ui::Application;
using platform::ui::ScrollView;
using platform::ui::View;
using platform::ui::Window;

class GADViewAdditionsTest : public ::testing::Test {
  protected:
    GADViewAdditionsTest() {
        Application::shared().reset();
        platform::ui::Screen::mainScreen().reset();
        Application::shared().becomeActive();
        window->addSubview(container);
        container->addSubview(view);
    }
    ~GADViewAdditionsTest() override {
        Application::shared().reset();
        platform::ui::Screen::mainScreen().reset();
    }

    platform::MainLoopTestScope scope;
    std::shared_ptr<Window> window = Window::create({0, 0, 320, 480});
    std::shared_ptr<View> container = View::create({50, 50, 100, 100});
    std::shared_ptr<View> view = View::create({80, 80, 100, 100});
};

TEST_F(GADViewAdditionsTest, VisibleBoundsAreTheViewCutByClippingAncestorsAndTheWindow) {
    // Nothing clips: the view's own rectangle, whatever its own clipping.
    EXPECT_EQ(gad_visibleBounds(*view), Rect(130, 130, 100, 100));
    view->setClipsToBounds(true);
    EXPECT_EQ(gad_visibleBounds(*view), Rect(130, 130, 100, 100));
    view->setClipsToBounds(false);
    container->setClipsToBounds(true);
    EXPECT_EQ(gad_visibleBounds(*view), Rect(130, 130, 20, 20));
    // Moved wholly outside its clipping superview.
    view->setFrame({200, 0, 10, 10});
    EXPECT_EQ(gad_visibleBounds(*view), Rect::zero());
    // Nothing clips but the window: half beyond its edge, then wholly beyond it.
    container->setClipsToBounds(false);
    view->setFrame({220, 0, 100, 10});
    EXPECT_EQ(gad_visibleBounds(*view), Rect(270, 50, 50, 10));
    view->setFrame({300, 0, 100, 10});
    EXPECT_EQ(gad_visibleBounds(*view), Rect::zero());
    // A view without area shows nothing.
    view->setFrame({10, 10, 0, 0});
    EXPECT_EQ(gad_visibleBounds(*view), Rect::zero());
}

TEST_F(GADViewAdditionsTest, NothingIsVisibleWhenInactiveHiddenOrOffTheWindow) {
    Application::shared().resignActive();
    EXPECT_EQ(gad_visibleBounds(*view), Rect::zero());
    Application::shared().becomeActive();

    window->setHidden(true);
    EXPECT_EQ(gad_visibleBounds(*view), Rect::zero());
    window->setHidden(false);

    container->setHidden(true);
    EXPECT_EQ(gad_visibleBounds(*view), Rect::zero());
    container->setHidden(false);

    view->removeFromSuperview();
    EXPECT_EQ(gad_visibleBounds(*view), Rect::zero());
}

TEST_F(GADViewAdditionsTest, AViewScrolledOutOfItsScrollViewIsNotVisible) {
    auto scroll = ScrollView::create({0, 0, 320, 200});
    scroll->setClipsToBounds(true);
    scroll->setContentSize({320, 1000});
    window->addSubview(scroll);
    // Clipping or not, the view shows only the part of it the list shows.
    for (bool clips : {true, false}) {
        auto ad = View::create({0, 0, 320, 50});
        ad->setClipsToBounds(clips);
        scroll->addSubview(ad);
        scroll->setContentOffset({0, 0});
        EXPECT_EQ(gad_visibleBounds(*ad), Rect(0, 0, 320, 50)) << clips;
        scroll->setContentOffset({0, 25});
        EXPECT_EQ(gad_visibleBounds(*ad), Rect(0, 0, 320, 25)) << clips;
        scroll->setContentOffset({0, 300});
        EXPECT_EQ(gad_visibleBounds(*ad), Rect::zero()) << clips;
        ad->removeFromSuperview();
    }
}

TEST_F(GADViewAdditionsTest, OrientationsOfTheWindow) {
    Application::shared().setSupportedInterfaceOrientations(1u << 1);
    EXPECT_TRUE(gad_supportsOrientations(*view, 6));
    EXPECT_FALSE(gad_supportsOrientations(*view, 24));
    Application::shared().setSupportedInterfaceOrientations(30);
    EXPECT_TRUE(gad_supportsOrientations(*view, 24));
}

TEST_F(GADViewAdditionsTest, FillingFollowsTheSuperviewsSize) {
    gad_fillSuperview(*view);
    EXPECT_EQ(view->frame(), Rect(0, 0, 100, 100));
    container->setFrame({0, 0, 300, 250});
    EXPECT_EQ(view->frame(), Rect(0, 0, 300, 250));

    auto loose = View::create({1, 2, 3, 4});
    gad_fillSuperview(*loose);
    EXPECT_EQ(loose->frame(), Rect(1, 2, 3, 4));
}

TEST_F(GADViewAdditionsTest, PositionOnTheScreenAndWhetherItShows) {
    auto& screen = platform::ui::Screen::mainScreen();
    view->setFrame({10, 30, 100, 50});
    auto position = GADViewUtilities::positionOfView(*view, screen);
    ASSERT_TRUE(position);
    EXPECT_EQ(
        *position,
        Value::dictionary(
            {{"x", 60.0}, {"y", 80.0}, {"width", 100.0}, {"height", 50.0}, {"visible", true}}));
    view->setHidden(true);
    EXPECT_EQ((*GADViewUtilities::positionOfView(*view, screen))["visible"], Value(false));
    view->setHidden(false);
    // Wholly left of the screen, or starting beyond the application frame (320 x 460).
    view->setFrame({-150, 0, 100, 50});
    EXPECT_EQ((*GADViewUtilities::positionOfView(*view, screen))["visible"], Value(false));
    view->setFrame({271, 0, 100, 50});
    EXPECT_EQ((*GADViewUtilities::positionOfView(*view, screen))["visible"], Value(false));
    view->setFrame({0, 411, 100, 50});
    EXPECT_EQ((*GADViewUtilities::positionOfView(*view, screen))["visible"], Value(false));
    view->setFrame({0, 410, 100, 50});
    EXPECT_EQ((*GADViewUtilities::positionOfView(*view, screen))["visible"], Value(true));

    EXPECT_FALSE(GADViewUtilities::positionOfView(*View::create(), screen));
    container->removeFromSuperview();
    EXPECT_FALSE(GADViewUtilities::positionOfView(*view, screen));
}

TEST_F(GADViewAdditionsTest, ARenderedRedViewReadsRed) {
    std::string error;
    auto context = platform::gfx::HeadlessContext::create(64, 64, &error);
    ASSERT_NE(context, nullptr) << error;
    platform::ui::Screen::mainScreen().setScale(2);
    view->setFrame({0, 0, 10, 6});
    view->setBackgroundColor({1, 0, 0, 1});
    auto corner = View::create({5, 0, 5, 3});
    corner->setBackgroundColor({0, 0, 1, 1});
    view->addSubview(corner);
    const auto picture = gad_render(*view);
    ASSERT_EQ(picture.width(), 20);
    ASSERT_EQ(picture.height(), 12);
    auto rgba = [&](int x, int y) {
        const auto* p = picture.pixel(x, y);
        return std::vector<int>{p[0], p[1], p[2], p[3]};
    };
    EXPECT_EQ(rgba(2, 10), (std::vector<int>{255, 0, 0, 255}));
    EXPECT_EQ(rgba(18, 1), (std::vector<int>{0, 0, 255, 255}));
    EXPECT_TRUE(gad_render(*View::create()).empty());
}

}  // namespace
}  // namespace ads
