#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

using namespace platform::ui;

namespace {

// Records every appearance callback into a shared log as "<name>:<callback>".
class Probe : public ViewController {
  public:
    Probe(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
    void viewWillAppear(bool a) override { note("willAppear", a); }
    void viewDidAppear(bool a) override { note("didAppear", a); }
    void viewWillDisappear(bool a) override { note("willDisappear", a); }
    void viewDidDisappear(bool a) override { note("didDisappear", a); }
    bool presentedFlagSeen = false;
    bool dismissedFlagSeen = false;

  private:
    void note(const char* what, bool animated) {
        if (isBeingPresented()) presentedFlagSeen = true;
        if (isBeingDismissed()) dismissedFlagSeen = true;
        log_.push_back(name_ + ":" + what + (animated ? "(a)" : ""));
    }
    std::string name_;
    std::vector<std::string>& log_;
};

class PresentationTest : public ::testing::Test {
  protected:
    std::shared_ptr<Probe> probe(const std::string& name) {
        return std::make_shared<Probe>(name, log);
    }
    platform::MainLoopTestScope loop;
    std::shared_ptr<Window> window = Window::create({0, 0, 320, 480});
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

}  // namespace

TEST_F(PresentationTest, AppearanceFollowsTheWindow) {
    auto outer = probe("outer");
    auto inner = probe("inner");
    outer->view()->addSubview(inner->view());  // not in a window: nothing yet
    EXPECT_TRUE(log.empty());

    window->addSubview(outer->view());
    EXPECT_EQ(log,
              (Log{"outer:willAppear", "inner:willAppear", "inner:didAppear", "outer:didAppear"}));
    EXPECT_EQ(inner->appearance(), ViewController::Appearance::Appeared);

    log.clear();
    window->bringSubviewToFront(outer->view());  // moving inside the window: silent
    EXPECT_TRUE(log.empty());

    outer->view()->removeFromSuperview();
    EXPECT_EQ(log, (Log{"outer:willDisappear", "inner:willDisappear", "inner:didDisappear",
                        "outer:didDisappear"}));
}

TEST_F(PresentationTest, RootChangeSwapsViewsAndCallbacks) {
    auto a = probe("a");
    auto b = probe("b");
    window->setRootViewController(a);
    EXPECT_EQ(log, (Log{"a:willAppear", "a:didAppear"}));
    EXPECT_EQ(a->view()->frame(), window->bounds());

    // A plain view (the game's) stays under the root; a presented one stays above it.
    auto plain = View::create({0, 0, 320, 480});
    window->addSubview(plain);
    auto modal = probe("modal");
    ASSERT_TRUE(a->presentViewController(modal, false));
    window->insertSubview(a->view(), 0);  // the old root still showing beneath
    log.clear();
    window->setRootViewController(b);
    EXPECT_EQ(log, (Log{"a:willDisappear", "a:didDisappear", "b:willAppear", "b:didAppear"}));
    EXPECT_EQ(window->subviews(),
              (std::vector<std::shared_ptr<View>>{plain, b->view(), modal->view()}));
    modal->view()->removeFromSuperview();
    EXPECT_EQ(a->view()->superview(), nullptr);
    EXPECT_EQ(b->view()->superview(), window);

    log.clear();
    window->setRootViewController(b);
    EXPECT_TRUE(log.empty());
    b->view()->removeFromSuperview();  // a screen that closed itself
    log.clear();
    window->setRootViewController(b);
    EXPECT_EQ(log, (Log{"b:willAppear", "b:didAppear"}));
    EXPECT_EQ(b->view()->superview(), window);
    log.clear();
    window->setRootViewController(nullptr);
    EXPECT_EQ(log, (Log{"b:willDisappear", "b:didDisappear"}));
}

TEST_F(PresentationTest, RootReplacedUnderAPresentationStaysGoneAfterDismissal) {
    auto a = probe("a");
    auto b = probe("b");
    auto modal = probe("modal");
    window->setRootViewController(a);
    ASSERT_TRUE(a->presentViewController(modal, false));
    ASSERT_EQ(a->view()->superview(), nullptr);
    window->setRootViewController(b);
    log.clear();
    ASSERT_TRUE(a->dismissViewController(false));
    EXPECT_EQ(log, (Log{"modal:willDisappear", "modal:didDisappear"}));
    EXPECT_EQ(a->view()->superview(), nullptr);
    EXPECT_EQ(window->subviews(), (std::vector<std::shared_ptr<View>>{b->view()}));
}

TEST_F(PresentationTest, PresentIsRefusedWithoutWindowOrWhenAlreadyPresenting) {
    auto root = probe("root");
    auto first = probe("first");
    auto second = probe("second");
    bool called = false;
    auto completion = [&] { called = true; };

    // Not in a window.
    EXPECT_FALSE(root->presentViewController(first, false, completion));
    window->setRootViewController(root);
    log.clear();
    EXPECT_FALSE(root->presentViewController(nullptr, false, completion));
    EXPECT_FALSE(root->presentViewController(root, false, completion));

    ASSERT_TRUE(root->presentViewController(first, false));
    log.clear();
    // Already presenting, and the second one cannot be presented twice either.
    EXPECT_FALSE(root->presentViewController(second, false, completion));
    EXPECT_FALSE(second->presentViewController(first, false, completion));
    loop.advance(1);
    EXPECT_FALSE(called);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(root->presentedViewController(), first);
    EXPECT_EQ(second->presentingViewController(), nullptr);

    // A child of a container is not presentable on its own.
    auto child = probe("child");
    auto nav = NavigationController::create(child);
    EXPECT_FALSE(first->presentViewController(child, false, completion));

    // A controller whose view is already on screen, and a presenter whose view never loaded.
    auto shown = probe("shown");
    window->addSubview(shown->view());
    log.clear();
    EXPECT_FALSE(first->presentViewController(shown, false, completion));
    auto unloaded = probe("unloaded");
    EXPECT_FALSE(unloaded->presentViewController(second, false, completion));
    EXPECT_FALSE(unloaded->isViewLoaded());
    loop.advance(1);
    EXPECT_FALSE(called);
    EXPECT_TRUE(log.empty());
}

TEST_F(PresentationTest, PresentAndDismissRunCallbacksInOrder) {
    auto root = probe("root");
    auto modal = probe("modal");
    window->setRootViewController(root);
    log.clear();

    ASSERT_TRUE(root->presentViewController(modal, true));
    EXPECT_EQ(log, (Log{"modal:willAppear(a)", "modal:didAppear(a)", "root:willDisappear(a)",
                        "root:didDisappear(a)"}));
    EXPECT_TRUE(modal->presentedFlagSeen);
    EXPECT_FALSE(modal->isBeingPresented());
    EXPECT_EQ(modal->presentingViewController(), root);
    EXPECT_EQ(modal->view()->superview(), window);
    EXPECT_EQ(modal->view()->frame(), window->bounds());
    EXPECT_EQ(root->view()->superview(), nullptr);

    log.clear();
    // Asked of the presented controller, the presenter does the work.
    ASSERT_TRUE(modal->dismissViewController(false));
    EXPECT_EQ(log, (Log{"modal:willDisappear", "modal:didDisappear", "root:willAppear",
                        "root:didAppear"}));
    EXPECT_TRUE(modal->dismissedFlagSeen);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(modal->presentingViewController(), nullptr);
    EXPECT_EQ(root->view()->superview(), window);
    EXPECT_FALSE(root->dismissViewController(false));
}

TEST_F(PresentationTest, OverFullScreenKeepsThePresenter) {
    auto root = probe("root");
    auto overlay = probe("overlay");
    overlay->setModalPresentationStyle(ModalPresentationStyle::OverFullScreen);
    window->setRootViewController(root);
    log.clear();
    ASSERT_TRUE(root->presentViewController(overlay, false));
    EXPECT_EQ(log, (Log{"overlay:willAppear", "overlay:didAppear"}));
    EXPECT_EQ(root->view()->superview(), window);
    log.clear();
    root->dismissViewController(false);
    EXPECT_EQ(log, (Log{"overlay:willDisappear", "overlay:didDisappear"}));
}

TEST_F(PresentationTest, DismissOfAStack) {
    auto root = probe("root");
    auto a = probe("a");
    auto b = probe("b");
    window->setRootViewController(root);
    ASSERT_TRUE(root->presentViewController(a, false));
    ASSERT_TRUE(a->presentViewController(b, false));
    log.clear();

    int completions = 0;
    ASSERT_TRUE(root->dismissViewController(false, [&] { ++completions; }));
    // b leaves first; a's view was already out of the window; root returns last.
    EXPECT_EQ(log, (Log{"b:willDisappear", "b:didDisappear", "root:willAppear", "root:didAppear"}));
    EXPECT_EQ(a->presentedViewController(), nullptr);
    EXPECT_EQ(b->presentingViewController(), nullptr);
    EXPECT_EQ(window->subviews(), (std::vector<std::shared_ptr<View>>{root->view()}));
    loop.runUntilIdle();
    EXPECT_EQ(completions, 1);
}

TEST_F(PresentationTest, CompletionsRunLater) {
    auto root = probe("root");
    auto modal = probe("modal");
    window->setRootViewController(root);
    std::vector<std::string> order;

    ASSERT_TRUE(root->presentViewController(modal, false, [&] { order.push_back("shown"); }));
    EXPECT_TRUE(order.empty());
    loop.runUntilIdle();
    EXPECT_EQ(order, (Log{"shown"}));

    ASSERT_TRUE(root->dismissViewController(true, [&] { order.push_back("gone"); }));
    loop.runUntilIdle();
    EXPECT_EQ(order.size(), 1u);  // animated: waits for the transition's time
    loop.advance(ViewController::kTransitionDuration - 0.01);
    EXPECT_EQ(order.size(), 1u);
    loop.advance(0.02);
    EXPECT_EQ(order, (Log{"shown", "gone"}));
}

TEST_F(PresentationTest, AnimationsApplyAtOnceAndCompleteOnTheClock) {
    auto v = View::create({0, 0, 10, 10});
    std::vector<bool> finished;
    View::animate(
        0.5, [&] { v->setAlpha(0.25); }, [&](bool f) { finished.push_back(f); });
    EXPECT_DOUBLE_EQ(v->alpha(), 0.25);
    loop.advance(0.49);
    EXPECT_TRUE(finished.empty());
    loop.advance(0.02);
    EXPECT_EQ(finished, (std::vector<bool>{true}));

    View::animate(
        0, [&] { v->setHidden(true); }, [&](bool f) { finished.push_back(f); });
    EXPECT_TRUE(v->isHidden());
    EXPECT_EQ(finished.size(), 1u);
    loop.runUntilIdle();
    EXPECT_EQ(finished.size(), 2u);
}

TEST_F(PresentationTest, NavigationChildrenAppearWithTheirContainer) {
    auto first = probe("first");
    auto second = probe("second");
    first->setTitle("One");
    auto nav = NavigationController::create(first);
    window->setRootViewController(nav);
    EXPECT_EQ(log, (Log{"first:willAppear", "first:didAppear"}));
    EXPECT_EQ(first->navigationController(), nav);
    EXPECT_EQ(first->view()->frame(), Rect(0, 44, 320, 436));

    log.clear();
    nav->pushViewController(second);
    EXPECT_EQ(log, (Log{"first:willDisappear", "first:didDisappear", "second:willAppear",
                        "second:didAppear"}));
    EXPECT_EQ(nav->topViewController(), second);
    ASSERT_NE(nav->leftButton(), nullptr);  // a back button titled after the one below
    EXPECT_EQ(nav->leftButton()->currentTitle(), "One");

    log.clear();
    nav->leftButton()->tap();
    EXPECT_EQ(nav->topViewController(), first);
    EXPECT_EQ(second->parentViewController(), nullptr);
    EXPECT_EQ(nav->popViewController(), nullptr);  // the root stays
}

TEST_F(PresentationTest, ChildPresentingCoversItsWholeContainer) {
    auto child = probe("child");
    auto nav = NavigationController::create(child);
    window->setRootViewController(nav);
    auto modal = probe("modal");
    log.clear();
    ASSERT_TRUE(child->presentViewController(modal, false));
    EXPECT_EQ(nav->view()->superview(), nullptr);  // the container leaves, bar and all
    EXPECT_EQ(log, (Log{"modal:willAppear", "modal:didAppear", "child:willDisappear",
                        "child:didDisappear"}));
    log.clear();
    ASSERT_TRUE(child->dismissViewController(false));
    EXPECT_EQ(nav->view()->superview(), window);
    EXPECT_EQ(log, (Log{"modal:willDisappear", "modal:didDisappear", "child:willAppear",
                        "child:didAppear"}));
}

namespace {

// A controller laid into the window without a presentation of its own: whatever it is asked
// to present or dismiss goes to the controller that really stands on screen (none: its own).
class HandsOn : public ViewController {
  public:
    explicit HandsOn(std::shared_ptr<ViewController> target) : target_(std::move(target)) {}
    bool presentViewController(const std::shared_ptr<ViewController>& vc, bool animated,
                               std::function<void()> completion = {}) override {
        ++presents;
        if (!target_) return ViewController::presentViewController(vc, animated, completion);
        return target_->presentViewController(vc, animated, std::move(completion));
    }
    bool dismissViewController(bool animated, std::function<void()> completion = {}) override {
        ++dismissals;
        if (!target_) return ViewController::dismissViewController(animated, completion);
        return target_->dismissViewController(animated, std::move(completion));
    }
    int presents = 0;
    int dismissals = 0;

  private:
    std::shared_ptr<ViewController> target_;
};

}  // namespace

TEST_F(PresentationTest, PresentAndDismissCanBeHandedOnByASubclass) {
    auto root = probe("root");
    window->setRootViewController(root);
    auto laidIn = std::make_shared<HandsOn>(root);
    window->addSubview(laidIn->view());
    auto sheet = probe("sheet");

    ASSERT_TRUE(laidIn->presentViewController(sheet, false));
    EXPECT_EQ(laidIn->presents, 1);
    EXPECT_EQ(sheet->presentingViewController(), root);
    EXPECT_EQ(laidIn->presentedViewController(), nullptr);
    ASSERT_TRUE(laidIn->dismissViewController(false));
    EXPECT_EQ(laidIn->dismissals, 1);
    EXPECT_EQ(root->presentedViewController(), nullptr);

    // A presented controller that dismisses itself asks its presenter through the override.
    auto presented = std::make_shared<HandsOn>(nullptr);
    ASSERT_TRUE(root->presentViewController(presented, false));
    auto top = probe("top");
    ASSERT_TRUE(presented->presentViewController(top, false));
    ASSERT_TRUE(top->dismissViewController(false));
    EXPECT_EQ(presented->dismissals, 1);
    EXPECT_EQ(presented->presentedViewController(), nullptr);
    EXPECT_EQ(root->presentedViewController(), presented);
}

TEST_F(PresentationTest, AssociatedObjectsLiveAsLongAsTheirController) {
    struct Tag {
        explicit Tag(int& deaths) : deaths(deaths) {}
        ~Tag() { ++deaths; }
        int& deaths;
    };
    int deaths = 0;
    static const int firstKey = 0;
    static const int secondKey = 0;
    auto vc = probe("vc");
    std::weak_ptr<Tag> weak;
    {
        auto tag = std::make_shared<Tag>(deaths);
        weak = tag;
        vc->setAssociatedObject(&firstKey, tag);
    }
    EXPECT_EQ(vc->associatedObject(&firstKey), weak.lock());
    EXPECT_EQ(vc->associatedObject(&secondKey), nullptr);

    // One object per key: a second one replaces the first, an empty one removes it.
    vc->setAssociatedObject(&secondKey, std::make_shared<Tag>(deaths));
    vc->setAssociatedObject(&secondKey, std::make_shared<Tag>(deaths));
    EXPECT_EQ(deaths, 1);
    vc->setAssociatedObject(&secondKey, nullptr);
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(vc->associatedObject(&secondKey), nullptr);
    EXPECT_FALSE(weak.expired());

    vc.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(deaths, 3);
}

// An app's appearance callback may throw (the ads library passes such exceptions on): the
// window's mark for animated moves must not stay set for the next, plain view change.
TEST_F(PresentationTest, AThrowingAppearanceCallbackLeavesNoAnimatedMarkBehind) {
    struct Thrower : ViewController {
        void viewWillAppear(bool) override { throw std::runtime_error("app failure"); }
    };
    auto root = probe("root");
    window->setRootViewController(root);
    EXPECT_THROW(root->presentViewController(std::make_shared<Thrower>(), true),
                 std::runtime_error);

    auto plain = probe("plain");
    log.clear();
    window->addSubview(plain->view());
    EXPECT_EQ(log, (Log{"plain:willAppear", "plain:didAppear"}));
}

namespace {

// A screen that stands only in the orientations of its mask.
class Oriented : public ViewController {
  public:
    explicit Oriented(unsigned mask) : mask_(mask) {}
    unsigned supportedInterfaceOrientations() const override { return mask_; }

  private:
    unsigned mask_;
};

}  // namespace

TEST_F(PresentationTest, AScreenThatCannotStandInTheOrientationTurnsIt) {
    auto& application = Application::shared();
    application.reset();
    auto root = std::make_shared<Oriented>(30);
    window->setRootViewController(root);
    window->makeKeyWindow();

    // A portrait-only window: a landscape screen shares nothing with it; nothing turns.
    auto landscape = std::make_shared<Oriented>(24);
    ASSERT_TRUE(root->presentViewController(landscape, false));
    EXPECT_EQ(application.statusBarOrientation(), OrientationPortrait);
    EXPECT_EQ(landscape->interfaceOrientation(), OrientationPortrait);
    root->dismissViewController(false);

    // A window of every orientation: the first the screen and the window share, and back to
    // one the screen below takes when it goes. The window keeps its shape.
    application.setSupportedInterfaceOrientations(30);
    ASSERT_TRUE(root->presentViewController(landscape, false));
    EXPECT_EQ(application.statusBarOrientation(), OrientationLandscapeRight);
    EXPECT_EQ(window->frame(), (platform::Rect{0, 0, 320, 480}));
    root->dismissViewController(false);
    EXPECT_EQ(application.statusBarOrientation(), OrientationLandscapeRight);
    auto portrait = std::make_shared<Oriented>(2);
    ASSERT_TRUE(root->presentViewController(portrait, false));
    EXPECT_EQ(application.statusBarOrientation(), OrientationPortrait);
    root->dismissViewController(false);

    // Asked to follow the device: the top screen turns to it when it and the window take it.
    application.setDeviceOrientation(OrientationLandscapeLeft);
    EXPECT_EQ(application.deviceOrientation(), OrientationLandscapeLeft);
    application.attemptRotationToDeviceOrientation();
    EXPECT_EQ(application.statusBarOrientation(), OrientationLandscapeLeft);
    application.setDeviceOrientation(0);
    EXPECT_EQ(application.deviceOrientation(), OrientationLandscapeLeft);  // the interface's
    application.reset();
}
