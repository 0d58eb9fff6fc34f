// The viewability sampler on the manual clock: its one scheduler, its first tick one interval
// in, the server's interval with the scheduler's floor, a view that goes, and the race of a
// start from another thread with a stop on the main thread.

#include "ads/slot/GADActiveViewMonitor.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "ads/web/GADSDKCoreController.h"
#include "ads/web/GADSDKCoreGMSGHandler.h"
#include "platform/ui/Application.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace ads {
namespace {

using platform::Rect;

class Counter : public GADActiveViewMonitorDelegate {
  public:
    void activeViewMonitorDidRefresh(GADActiveViewMonitor& monitor) override {
        // Read from inside the callback: the sample just stored.
        seen.push_back(monitor.monitoredViewVisible());
        bounds.push_back(monitor.monitoredViewVisibleBounds());
    }
    std::vector<bool> seen;
    std::vector<Rect> bounds;
};

class GADActiveViewMonitorTest : public ::testing::Test {
  protected:
    GADActiveViewMonitorTest() {
        platform::ui::Application::shared().becomeActive();
        // Only a view that clips narrows what of the window it can show.
        view->setClipsToBounds(true);
        window->addSubview(view);
        monitor = GADActiveViewMonitor::create(view);
        monitor->setDelegate(counter);
    }
    ~GADActiveViewMonitorTest() override {
        monitor.reset();
        scope.runUntilIdle();
    }
    void setSamplingInterval(const char* seconds) {
        auto handler = GADSDKCoreGMSGHandler::create();
        GADSDKCoreController::sharedInstance()->SDKCoreGMSGHandlerDidLoadSDKConstants(
            *handler, {{"refresh_intervals",
                        platform::Value(std::string("{\"active_view_sampling_interval\":") +
                                        seconds + "}")}});
    }

    ads::testing::AdsTestScope scope;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::Window> window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::View> view = platform::ui::View::create({10, 400, 100, 100});
    std::shared_ptr<Counter> counter = std::make_shared<Counter>();
    std::shared_ptr<GADActiveViewMonitor> monitor;
};

TEST_F(GADActiveViewMonitorTest, OneSchedulerTicksFromOneIntervalAfterTheStart) {
    EXPECT_FALSE(GADActiveViewMonitor::create(nullptr));
    // Idle: a stop changes nothing, and nothing is sampled.
    monitor->stopMonitoring();
    EXPECT_FALSE(monitor->isMonitoring());
    EXPECT_EQ(monitor->monitoredViewVisibleBounds(), Rect{});
    EXPECT_FALSE(monitor->monitoredViewVisible());

    monitor->startMonitoring();
    monitor->startMonitoring();
    EXPECT_TRUE(monitor->isMonitoring());
    scope.advance(0.39);
    EXPECT_TRUE(counter->seen.empty());
    scope.advance(0.01);
    ASSERT_EQ(counter->seen.size(), 1u);
    // A second scheduler would have doubled the samples.
    scope.advance(0.4);
    EXPECT_EQ(counter->seen.size(), 2u);
    // The view's part within the window, in window coordinates.
    EXPECT_TRUE(counter->seen.back());
    EXPECT_EQ(counter->bounds.back(), (Rect{10, 400, 100, 80}));

    monitor->stopMonitoring();
    EXPECT_FALSE(monitor->isMonitoring());
    scope.advance(4);
    EXPECT_EQ(counter->seen.size(), 2u);
}

TEST_F(GADActiveViewMonitorTest, TheServersIntervalWithTheSchedulersFloor) {
    setSamplingInterval("0");
    monitor->startMonitoring();
    scope.advance(0.1);
    EXPECT_EQ(counter->seen.size(), 1u);
    scope.advance(0.95);
    EXPECT_EQ(counter->seen.size(), 10u);
    monitor->stopMonitoring();

    setSamplingInterval("2");
    monitor->startMonitoring();
    scope.advance(1.9);
    EXPECT_EQ(counter->seen.size(), 10u);
    scope.advance(0.15);
    EXPECT_EQ(counter->seen.size(), 11u);
}

TEST_F(GADActiveViewMonitorTest, HiddenGoneAndInactiveViewsAreZeroAndNotVisible) {
    monitor->sample();
    ASSERT_EQ(counter->seen, (std::vector<bool>{true}));

    view->setHidden(true);
    monitor->sample();
    view->setHidden(false);
    platform::ui::Application::shared().enterBackground();
    monitor->sample();
    platform::ui::Application::shared().becomeActive();
    EXPECT_EQ(counter->seen, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(counter->bounds.back(), Rect{});

    // A view that goes reports the zero rectangle whatever was stored before.
    monitor->setMonitoredViewVisibleBounds({1, 2, 3, 4});
    EXPECT_EQ(monitor->monitoredViewVisibleBounds(), (Rect{1, 2, 3, 4}));
    view->removeFromSuperview();
    view.reset();
    EXPECT_FALSE(monitor->monitoredView());
    monitor->sample();
    EXPECT_EQ(counter->seen.back(), false);
    EXPECT_EQ(monitor->monitoredViewVisibleBounds(), Rect{});
}

TEST_F(GADActiveViewMonitorTest, SamplesFromOtherThreadsRunOnTheMainLoop) {
    std::thread([&] { monitor->sample(); }).join();
    EXPECT_TRUE(counter->seen.empty());
    scope.runUntilIdle();
    EXPECT_EQ(counter->seen.size(), 1u);
}

TEST_F(GADActiveViewMonitorTest, AStopOvertakingAnOffMainStartLeavesNoSchedulerRunning) {
    // The start's main-thread step is still waiting on the main loop when the stop comes.
    std::thread([&] { monitor->startMonitoring(); }).join();
    EXPECT_TRUE(monitor->isMonitoring());
    monitor->stopMonitoring();
    scope.runUntilIdle();
    scope.advance(5);
    EXPECT_TRUE(counter->seen.empty());
    EXPECT_FALSE(monitor->isMonitoring());

    // And a start from another thread with no stop does run.
    std::thread([&] { monitor->startMonitoring(); }).join();
    scope.runUntilIdle();
    scope.advance(0.4);
    EXPECT_EQ(counter->seen.size(), 1u);
}

TEST_F(GADActiveViewMonitorTest, NeitherTheDelegateNorTheMonitorIsKeptAlive) {
    monitor->startMonitoring();
    // The delegate let go without clearing itself is freed, and the samples go on untold.
    std::weak_ptr<Counter> weakCounter = counter;
    counter.reset();
    EXPECT_TRUE(weakCounter.expired());
    scope.advance(0.4);
    EXPECT_FALSE(monitor->delegate());

    // A monitor let go while monitoring stops its scheduler: its task is never called.
    std::weak_ptr<GADActiveViewMonitor> weakMonitor = monitor;
    monitor.reset();
    EXPECT_TRUE(weakMonitor.expired());
    scope.advance(2);
}

}  // namespace
}  // namespace ads
