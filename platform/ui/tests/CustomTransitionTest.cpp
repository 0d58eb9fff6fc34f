// Presentations and dismissals drawn by the presented controller's transitioning delegate:
// they run in a container of their own that leaves the window with them.

#include <gtest/gtest.h>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/PercentDrivenInteractiveTransition.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/ViewControllerTransitioning.h"
#include "platform/ui/Window.h"

namespace platform::ui {
namespace {

using Log = std::vector<std::string>;
using Views = std::vector<std::shared_ptr<View>>;

class Probe : public ViewController {
  public:
    Probe(std::string name, Log& log) : name_(std::move(name)), log_(log) {}
    void viewWillAppear(bool) override { log_.push_back(name_ + ":willAppear"); }
    void viewDidAppear(bool) override { log_.push_back(name_ + ":didAppear"); }
    void viewWillDisappear(bool) override { log_.push_back(name_ + ":willDisappear"); }
    void viewDidDisappear(bool) override { log_.push_back(name_ + ":didDisappear"); }

  private:
    std::string name_;
    Log& log_;
};

// Slides the moving view in from below (out again when dismissing) and, as a swipe does,
// leaves a picture of its own in the container.
class Slide : public ViewControllerAnimatedTransitioning {
  public:
    explicit Slide(Log& log) : log_(log) {}
    double transitionDuration(const TransitionContext&) const override { return 0.5; }
    void animateTransition(const std::shared_ptr<TransitionContext>& context) override {
        using Key = TransitionContext::Key;
        log_.push_back(context->isPresentation() ? "animate:present" : "animate:dismiss");
        auto& container = *context->containerView();
        // Only the moving controller's view is lent to the container.
        EXPECT_EQ(context->viewForKey(context->isPresentation() ? Key::From : Key::To), nullptr);
        auto moving = context->viewForKey(context->isPresentation() ? Key::To : Key::From);
        container.addSubview(moving);
        auto picture = View::create({0, 430, 320, 50});
        container.insertSubviewBelow(picture, moving);
        pictures.push_back(picture);
        const Rect below{0, 480, 320, 480}, in = container.bounds();
        const bool presenting = context->isPresentation();
        context->animate({{moving, presenting ? below : in, presenting ? in : below}},
                         transitionDuration(*context),
                         [context](bool finished) { context->completeTransition(finished); });
    }
    std::vector<std::shared_ptr<View>> pictures;

  private:
    Log& log_;
};

class Delegate : public ViewControllerTransitioningDelegate {
  public:
    explicit Delegate(Log& log) : log(log), slide(std::make_shared<Slide>(log)) {}
    std::shared_ptr<ViewControllerAnimatedTransitioning> animationControllerForPresentedController(
        const std::shared_ptr<ViewController>&, const std::shared_ptr<ViewController>&,
        const std::shared_ptr<ViewController>&) override {
        return slide;
    }
    std::shared_ptr<ViewControllerAnimatedTransitioning> animationControllerForDismissedController(
        const std::shared_ptr<ViewController>&) override {
        return slide;
    }
    std::shared_ptr<PercentDrivenInteractiveTransition> interactionControllerForPresentation(
        const std::shared_ptr<ViewControllerAnimatedTransitioning>&) override {
        return finger;
    }
    Log& log;
    std::shared_ptr<Slide> slide;
    std::shared_ptr<PercentDrivenInteractiveTransition> finger;
};

class CustomTransitionTest : public ::testing::Test {
  protected:
    CustomTransitionTest() {
        window->setRootViewController(root);
        sheet->setTransitioningDelegate(delegate);
        sheet->setModalPresentationStyle(ModalPresentationStyle::OverFullScreen);
        log.clear();
    }
    std::shared_ptr<View> container() const {
        auto v = sheet->view()->superview();
        return dynamic_cast<TransitionContainerView*>(v.get()) ? v : nullptr;
    }

    MainLoopTestScope loop;
    Log log;
    std::shared_ptr<Window> window = Window::create({0, 0, 320, 480});
    std::shared_ptr<Probe> root = std::make_shared<Probe>("root", log);
    std::shared_ptr<Probe> sheet = std::make_shared<Probe>("sheet", log);
    std::shared_ptr<Delegate> delegate = std::make_shared<Delegate>(log);
};

TEST_F(CustomTransitionTest, WhatATransitionLaysIntoItsContainerLeavesWithIt) {
    Log order;
    ASSERT_TRUE(root->presentViewController(sheet, true, [&] { order.push_back("shown"); }));
    auto box = container();
    ASSERT_TRUE(box);
    EXPECT_EQ(window->subviews(), (Views{root->view(), box}));
    EXPECT_EQ(box->frame(), window->bounds());
    EXPECT_EQ(box->subviews(), (Views{delegate->slide->pictures[0], sheet->view()}));
    EXPECT_EQ(log, (Log{"sheet:willAppear", "sheet:didAppear", "animate:present"}));
    EXPECT_EQ(sheet->view()->frame(), window->bounds());  // animations jump to their end
    loop.advance(0.49);
    EXPECT_TRUE(order.empty());
    loop.advance(0.02);
    loop.runUntilIdle();
    EXPECT_EQ(order, (Log{"shown"}));

    // A root set meanwhile goes under the transition's container.
    auto other = std::make_shared<Probe>("other", log);
    window->setRootViewController(other);
    EXPECT_EQ(window->subviews(), (Views{other->view(), box}));
    window->setRootViewController(root);

    // The dismissal runs the delegate's animator in the same container; the sheet stays in the
    // window until it completes, and everything in the container leaves with it.
    log.clear();
    ASSERT_TRUE(root->dismissViewController(true, [&] { order.push_back("gone"); }));
    EXPECT_EQ(log, (Log{"animate:dismiss"}));
    EXPECT_EQ(delegate->slide->pictures[1]->superview(), box);
    EXPECT_FALSE(root->dismissViewController(true));  // already under way
    loop.advance(0.49);
    EXPECT_EQ(box->superview(), window);
    EXPECT_EQ(root->presentedViewController(), sheet);
    EXPECT_EQ(order, (Log{"shown"}));
    loop.advance(0.02);
    EXPECT_EQ(log, (Log{"animate:dismiss", "sheet:willDisappear", "sheet:didDisappear"}));
    EXPECT_EQ(window->subviews(), (Views{root->view()}));
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(sheet->view()->superview(), nullptr);
    EXPECT_EQ(order, (Log{"shown", "gone"}));

    // Without animation the delegate is not asked, and a non-animated dismissal of a custom
    // presentation still takes its container away.
    log.clear();
    ASSERT_TRUE(root->presentViewController(sheet, false));
    EXPECT_EQ(sheet->view()->superview(), window);
    ASSERT_TRUE(root->dismissViewController(false));
    ASSERT_TRUE(root->presentViewController(sheet, true));
    box = container();
    ASSERT_TRUE(box);
    loop.advance(1);
    ASSERT_TRUE(root->dismissViewController(false));
    EXPECT_EQ(box->superview(), nullptr);
    EXPECT_EQ(window->subviews(), (Views{root->view()}));
    EXPECT_EQ(log, (Log{"sheet:willAppear", "sheet:didAppear", "sheet:willDisappear",
                        "sheet:didDisappear", "sheet:willAppear", "sheet:didAppear",
                        "animate:present", "sheet:willDisappear", "sheet:didDisappear"}));
}

TEST_F(CustomTransitionTest, ACancelledInteractivePresentationIsUndoneWithItsContainer) {
    delegate->finger = std::make_shared<PercentDrivenInteractiveTransition>();
    bool shown = false;
    ASSERT_TRUE(root->presentViewController(sheet, true, [&] { shown = true; }));
    auto box = container();
    ASSERT_TRUE(box);
    EXPECT_TRUE(delegate->finger->isInteractive());
    EXPECT_EQ(sheet->view()->frame(), (Rect{0, 480, 320, 480}));
    delegate->finger->updateInteractiveTransition(0.5);
    EXPECT_EQ(sheet->view()->frame(), (Rect{0, 240, 320, 480}));

    // A dismissal asked for while the finger still moves the sheet waits for the move's end.
    int dismissed = 0;
    EXPECT_TRUE(root->dismissViewController(true, [&] { ++dismissed; }));
    EXPECT_FALSE(root->dismissViewController(true));
    EXPECT_EQ(box->superview(), window);
    log.clear();
    delegate->finger->cancelInteractiveTransition();
    EXPECT_EQ(sheet->view()->frame(), (Rect{0, 480, 320, 480}));
    loop.advance(0.24);
    EXPECT_EQ(box->superview(), window);
    loop.advance(0.02);
    EXPECT_EQ(log, (Log{"sheet:willDisappear", "sheet:didDisappear"}));
    EXPECT_EQ(box->superview(), nullptr);
    EXPECT_EQ(window->subviews(), (Views{root->view()}));
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(sheet->presentingViewController(), nullptr);
    loop.runUntilIdle();
    EXPECT_FALSE(shown);
    EXPECT_EQ(dismissed, 1);

    // Finished, a waiting dismissal runs once the sheet is in.
    ASSERT_TRUE(root->presentViewController(sheet, true, [&] { shown = true; }));
    box = container();
    EXPECT_TRUE(root->dismissViewController(true, [&] { ++dismissed; }));
    delegate->finger->finishInteractiveTransition();
    loop.advance(0.51);
    EXPECT_EQ(delegate->slide->pictures.size(), 3u);  // the dismissal's own picture
    loop.advance(0.51);
    loop.runUntilIdle();
    EXPECT_TRUE(shown);
    EXPECT_EQ(dismissed, 2);
    EXPECT_EQ(box->superview(), nullptr);
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(CustomTransitionTest, AFullScreenPresenterIsCoveredOnlyOnceTheMoveIsOver) {
    sheet->setModalPresentationStyle(ModalPresentationStyle::FullScreen);
    ASSERT_TRUE(root->presentViewController(sheet, true));
    EXPECT_EQ(root->view()->superview(), window);
    EXPECT_EQ(log, (Log{"sheet:willAppear", "sheet:didAppear", "animate:present"}));
    loop.advance(0.51);
    EXPECT_EQ(root->view()->superview(), nullptr);
    EXPECT_EQ(log.back(), "root:didDisappear");
    ASSERT_TRUE(root->dismissViewController(true));
    loop.advance(0.51);
    EXPECT_EQ(window->subviews(), (Views{root->view()}));
    EXPECT_EQ(log.back(), "root:didAppear");
}

}  // namespace
}  // namespace platform::ui
