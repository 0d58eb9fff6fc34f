#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

using namespace platform::ui;

namespace {

class HookView : public View {
  public:
    using View::View;
    std::vector<std::string> log;
    void willMoveToWindow(Window* w) override { log.push_back(w ? "willMove:w" : "willMove:0"); }
    void didMoveToWindow() override { log.push_back(window() ? "didMove:w" : "didMove:0"); }
    void didMoveToSuperview() override { log.push_back(superview() ? "super" : "nosuper"); }
    int layouts = 0;
    void layoutSubviews() override { ++layouts; }
};

void expectPoint(Point p, double x, double y) {
    EXPECT_NEAR(p.x, x, 1e-9);
    EXPECT_NEAR(p.y, y, 1e-9);
}

}  // namespace

TEST(ViewGeometry, FrameBoundsCenterAndTransformStayConsistent) {
    auto v = View::create({10, 20, 100, 50});
    EXPECT_EQ(v->bounds(), Rect(0, 0, 100, 50));
    expectPoint(v->center(), 60, 45);

    v->setCenter({100, 100});
    EXPECT_EQ(v->frame(), Rect(50, 75, 100, 50));

    // A quarter turn swaps the frame's extent but keeps the bounds.
    v->setTransform(AffineTransform::rotation(std::numbers::pi / 2));
    Rect f = v->frame();
    EXPECT_NEAR(f.size.width, 50, 1e-9);
    EXPECT_NEAR(f.size.height, 100, 1e-9);
    expectPoint(f.origin, 75, 50);
    EXPECT_EQ(v->bounds().size, Size(100, 50));
}

TEST(ViewGeometry, ConvertsThroughTransformsAndScrolledBounds) {
    auto window = Window::create({0, 0, 320, 480});
    auto a = View::create({100, 100, 100, 100});
    auto b = View::create({10, 10, 20, 20});
    window->addSubview(a);
    a->addSubview(b);
    expectPoint(b->convertPointToView({0, 0}, nullptr), 110, 110);
    expectPoint(b->convertPointToView({5, 5}, a.get()), 15, 15);
    expectPoint(a->convertPointFromView({0, 0}, b.get()), 10, 10);

    // Scrolling the parent moves the child the other way on screen.
    a->setBounds({0, 30, 100, 100});
    expectPoint(b->convertPointToView({0, 0}, nullptr), 110, 80);

    // Doubling the parent doubles distances from its centre (150, 150).
    a->setBounds({0, 0, 100, 100});
    a->setTransform(AffineTransform::scale(2, 2));
    expectPoint(b->convertPointToView({0, 0}, nullptr), 70, 70);
    expectPoint(b->convertPointFromView({70, 70}, nullptr), 0, 0);

    // A window placed lower on the screen shifts screen coordinates only.
    auto placed = Window::create({0, 20, 320, 460});
    EXPECT_EQ(placed->convertPointToScreen({5, 5}), (Point{5, 25}));
    EXPECT_EQ(placed->convertRectToScreen({0, 0, 10, 10}), (Rect{0, 20, 10, 10}));

    Rect r = b->convertRectToView({0, 0, 20, 20}, nullptr);
    EXPECT_NEAR(r.size.width, 40, 1e-9);
    Rect back = b->convertRectFromView(r, nullptr);
    EXPECT_NEAR(back.origin.x, 0, 1e-9);
    EXPECT_NEAR(back.size.width, 20, 1e-9);
}

TEST(ViewTree, OrderInsertBringToFrontAndMove) {
    auto root = View::create({0, 0, 100, 100});
    auto a = View::create(), b = View::create(), c = View::create();
    root->addSubview(a);
    root->addSubview(b);
    root->insertSubview(c, 0);
    EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>>{c, a, b}));
    root->bringSubviewToFront(c);
    EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>>{a, b, c}));
    root->insertSubviewBelow(c, a);
    EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>>{c, a, b}));

    // Adding to another parent moves the view; a cycle is refused.
    auto other = View::create();
    other->addSubview(a);
    EXPECT_EQ(root->subviews().size(), 2u);
    EXPECT_EQ(a->superview(), other);
    a->addSubview(other);
    EXPECT_TRUE(a->subviews().empty());
    a->removeFromSuperview();
    EXPECT_EQ(a->superview(), nullptr);
    EXPECT_TRUE(other->subviews().empty());
}

TEST(ViewTree, ViewWithTagFindsItselfFirstThenDepthFirst) {
    auto root = View::create();
    auto a = View::create(), deep = View::create(), b = View::create();
    root->setTag(7);
    a->setTag(3);
    deep->setTag(5);
    b->setTag(5);
    root->addSubview(a);
    a->addSubview(deep);
    root->addSubview(b);
    EXPECT_EQ(root->viewWithTag(7), root);
    EXPECT_EQ(root->viewWithTag(5), deep);
    EXPECT_EQ(b->viewWithTag(5), b);
    EXPECT_EQ(root->viewWithTag(99), nullptr);
}

TEST(ViewTree, WindowHooksReachTheWholeSubtree) {
    auto window = Window::create({0, 0, 320, 480});
    auto parent = std::make_shared<HookView>(Rect{0, 0, 10, 10});
    auto child = std::make_shared<HookView>(Rect{0, 0, 5, 5});
    parent->addSubview(child);
    EXPECT_EQ(child->log, (std::vector<std::string>{"super"}));
    child->log.clear();

    window->addSubview(parent);
    EXPECT_EQ(parent->log, (std::vector<std::string>{"willMove:w", "didMove:w", "super"}));
    EXPECT_EQ(child->log, (std::vector<std::string>{"willMove:w", "didMove:w"}));
    EXPECT_EQ(child->window(), window.get());

    child->log.clear();
    parent->removeFromSuperview();
    EXPECT_EQ(child->log, (std::vector<std::string>{"willMove:0", "didMove:0"}));
    EXPECT_EQ(child->window(), nullptr);
}

TEST(ViewLayout, AutoresizingUsesTheStoredBitsAndSharesTheChange) {
    EXPECT_EQ(AutoresizingFlexibleLeftMargin, 1u);
    EXPECT_EQ(AutoresizingFlexibleWidth, 2u);
    EXPECT_EQ(AutoresizingFlexibleRightMargin, 4u);
    EXPECT_EQ(AutoresizingFlexibleTopMargin, 8u);
    EXPECT_EQ(AutoresizingFlexibleHeight, 16u);
    EXPECT_EQ(AutoresizingFlexibleBottomMargin, 32u);

    auto parent = View::create({0, 0, 100, 100});
    auto fill = View::create({10, 10, 80, 80});
    fill->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
    auto pinnedRight = View::create({80, 0, 20, 20});
    pinnedRight->setAutoresizingMask(AutoresizingFlexibleLeftMargin);
    auto centred = View::create({40, 40, 20, 20});
    centred->setAutoresizingMask(AutoresizingFlexibleLeftMargin | AutoresizingFlexibleRightMargin);
    auto fixed = View::create({5, 5, 10, 10});
    for (auto& v : {fill, pinnedRight, centred, fixed}) parent->addSubview(v);

    parent->setFrame({0, 0, 200, 150});
    EXPECT_EQ(fill->frame(), Rect(10, 10, 180, 130));
    EXPECT_EQ(pinnedRight->frame(), Rect(180, 0, 20, 20));
    EXPECT_EQ(centred->frame(), Rect(90, 40, 20, 20));
    EXPECT_EQ(fixed->frame(), Rect(5, 5, 10, 10));

    parent->setAutoresizesSubviews(false);
    parent->setFrame({0, 0, 100, 100});
    EXPECT_EQ(fill->frame(), Rect(10, 10, 180, 130));
}

TEST(ViewLayout, LayoutRunsOncePerRequestTopDown) {
    auto parent = std::make_shared<HookView>(Rect{0, 0, 10, 10});
    auto child = std::make_shared<HookView>(Rect{0, 0, 5, 5});
    parent->addSubview(child);
    parent->layoutIfNeeded();
    parent->layoutIfNeeded();
    EXPECT_EQ(parent->layouts, 1);
    EXPECT_EQ(child->layouts, 1);
    parent->setFrame({0, 0, 20, 20});  // a size change asks for layout
    child->setFrame({0, 0, 5, 5});     // same size: no request
    parent->layoutIfNeeded();
    EXPECT_EQ(parent->layouts, 2);
    EXPECT_EQ(child->layouts, 1);
}

TEST(HitTest, FollowsTransformsAndSkipsHiddenAndInertViews) {
    auto window = Window::create({0, 0, 320, 480});
    auto rotated = View::create({100, 100, 100, 20});
    rotated->setTransform(
        AffineTransform::rotation(std::numbers::pi / 2));  // now 20 wide, 100 tall
    window->addSubview(rotated);
    EXPECT_EQ(window->hitTest({150, 60}, nullptr), rotated);  // inside the turned shape
    EXPECT_EQ(window->hitTest({110, 110}, nullptr), window);  // inside the old frame only

    auto front = View::create({0, 0, 50, 50});
    auto back = View::create({0, 0, 50, 50});
    window->insertSubview(back, 0);
    window->addSubview(front);
    EXPECT_EQ(window->hitTest({10, 10}, nullptr), front);
    front->setHidden(true);
    EXPECT_EQ(window->hitTest({10, 10}, nullptr), back);
    front->setHidden(false);
    front->setUserInteractionEnabled(false);
    EXPECT_EQ(window->hitTest({10, 10}, nullptr), back);
    front->setUserInteractionEnabled(true);
    front->setAlpha(0.005);
    EXPECT_EQ(window->hitTest({10, 10}, nullptr), back);

    // A subview sticking out of its parent is not hit outside the parent.
    auto small = View::create({200, 300, 20, 20});
    auto overhang = View::create({10, 10, 50, 50});
    window->addSubview(small);
    small->addSubview(overhang);
    EXPECT_EQ(window->hitTest({215, 315}, nullptr), overhang);
    EXPECT_EQ(window->hitTest({250, 350}, nullptr), window);
}

namespace {
// A view with a size rule of its own, as an ad banner has: whatever frame or bounds it is
// given, it keeps 300 x 50 about the centre asked for; it counts its alpha changes.
class FixedSizeView : public View {
  public:
    std::vector<double> alphas;
    void setFrame(Rect f) override { View::setFrame({f.midX() - 150, f.midY() - 25, 300, 50}); }
    void setBounds(Rect b) override { View::setBounds({b.origin.x, b.origin.y, 300, 50}); }
    void setAlpha(double a) override {
        alphas.push_back(a);
        View::setAlpha(a);
    }
};
}  // namespace

TEST(ViewGeometry, SubclassesTakePartInFrameBoundsAndAlphaChanges) {
    platform::MainLoopTestScope loop;
    auto parent = View::create({0, 0, 320, 480});
    auto banner = std::make_shared<FixedSizeView>();
    banner->setFrame({0, 0, 320, 100});
    EXPECT_EQ(banner->frame(), Rect(10, 25, 300, 50));
    banner->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
    parent->addSubview(banner);

    // Autoresizing asks the view, which keeps its size.
    parent->setFrame({0, 0, 480, 320});
    EXPECT_EQ(banner->bounds().size, Size(300, 50));
    banner->setBounds({0, 0, 10, 10});
    EXPECT_EQ(banner->bounds().size, Size(300, 50));

    // Animations and interface files go through the subclass too.
    View::animate(0.3, [&] { banner->setAlpha(0.5); });
    EXPECT_EQ(banner->alphas, (std::vector<double>{0.5}));
    auto& registry = platform::ClassRegistry::shared();
    registry.registerClass<View>("FixedSizeView", "UIView", {}, [] {
        return std::shared_ptr<View>(std::make_shared<FixedSizeView>());
    });
    auto loaded = InterfaceLoader::loadFromString(
        R"({"class": "FixedSizeView", "frame": [0, 0, 320, 100], "alpha": 0.25})", "T.json",
        nullptr, {});
    registry.unregisterClass("FixedSizeView");
    ASSERT_TRUE(loaded.view) << loaded.error;
    EXPECT_EQ(loaded.view->frame(), Rect(10, 25, 300, 50));
    EXPECT_EQ(static_cast<FixedSizeView&>(*loaded.view).alphas, (std::vector<double>{0.25}));
}
