#include "app/screens/ViewControllerBase.h"

#include <gtest/gtest.h>

#include "FakeAppCore.h"
#include "platform/runtime/MainLoopTestScope.h"

using namespace app;

namespace {

class Counting : public ViewControllerBase {
  public:
    int setups = 0;
    void setup() override { ++setups; }
};

}  // namespace

TEST(ViewControllerBase, SetupOnceAndRootingAndStopping) {
    platform::MainLoopTestScope loop;
    auto core = std::make_shared<FakeAppCore>();
    auto vc = ViewControllerBase::make<Counting>();
    EXPECT_EQ(vc->setups, 1);

    vc->stop();  // never loads the view just to stop
    EXPECT_FALSE(vc->isViewLoaded());
    vc->startAsRootView();  // no app core: nothing
    EXPECT_EQ(core->window_->rootViewController(), nullptr);

    vc->setAppCore(core);
    vc->startAsRootView();
    EXPECT_EQ(core->window_->rootViewController(), vc);
    EXPECT_EQ(core->root, vc);
    EXPECT_EQ(vc->view()->superview(), core->window_);
    vc->stop();
    EXPECT_EQ(vc->view()->superview(), nullptr);
}

TEST(ViewControllerBase, OrientationIsWhatTheAppCoreChose) {
    auto core = std::make_shared<FakeAppCore>();
    auto vc = ViewControllerBase::make<Counting>();
    vc->setAppCore(core);
    auto nav = MyNavigationController::create(nullptr, core);
    auto tabs = MyTabBarController::create(core);
    for (int o : {1, 3, 4}) {
        core->orientation = static_cast<platform::ui::InterfaceOrientation>(o);
        EXPECT_TRUE(vc->shouldAutorotate());
        for (int other = 1; other <= 4; ++other) {
            EXPECT_EQ(vc->shouldAutorotateToInterfaceOrientation(other), other == o);
            EXPECT_EQ(nav->shouldAutorotateToInterfaceOrientation(other), other == o);
            EXPECT_EQ(tabs->shouldAutorotateToInterfaceOrientation(other), other == o);
        }
        EXPECT_EQ(vc->supportedInterfaceOrientations(), 1u << o);
        EXPECT_EQ(nav->supportedInterfaceOrientations(), 1u << o);
        EXPECT_EQ(tabs->preferredInterfaceOrientationForPresentation(), o);
    }
    // An app core that is gone no longer holds the screen up.
    std::weak_ptr<FakeAppCore> weak = core;
    core.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(vc->preferredInterfaceOrientationForPresentation(), 1);
}
