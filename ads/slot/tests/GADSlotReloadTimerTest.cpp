// The reload timer on the test clock: its floor, its one-shot period, the owner's say and the
// notices that stop and start it.

#include "ads/slot/GADSlotReloadTimer.h"

#include <gtest/gtest.h>

#include "ads/testsupport/AdsTestScope.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/ui/Application.h"

namespace ads {
namespace {

class GADSlotReloadTimerTest : public ::testing::Test {
  protected:
    void post(const char* name) {
        platform::NotificationCenter::defaultCenter().post(name);
        scope.runUntilIdle();
    }

    ads::testing::AdsTestScope scope;
    bool allowed = true;
    int reloads = 0;
    std::shared_ptr<GADSlotReloadTimer> timer =
        GADSlotReloadTimer::create([this] { return allowed; }, [this] { ++reloads; });
};

TEST_F(GADSlotReloadTimerTest, OnePeriodAtATimeAboveTheFloor) {
    EXPECT_EQ(timer->interval(), GADSlotReloadTimer::kDefaultInterval);
    timer->setInterval(0.999);
    EXPECT_EQ(timer->interval(), 0);
    timer->schedule();
    EXPECT_FALSE(timer->isScheduled());

    timer->setInterval(10);
    timer->schedule();
    scope.advance(5);
    // Scheduling again starts a full period from now.
    timer->schedule();
    scope.advance(9);
    EXPECT_EQ(reloads, 0);
    scope.advance(1);
    EXPECT_EQ(reloads, 1);
    EXPECT_FALSE(timer->isScheduled());
    scope.advance(30);
    EXPECT_EQ(reloads, 1);

    // The owner's no, and reloading switched off, schedule nothing.
    allowed = false;
    timer->schedule();
    EXPECT_FALSE(timer->isScheduled());
    allowed = true;
    timer->setReloadable(false);
    timer->schedule();
    EXPECT_FALSE(timer->isScheduled());
}

TEST_F(GADSlotReloadTimerTest, InactiveAppsAndFullScreensStopItUntilTheyEnd) {
    timer->setInterval(10);
    timer->schedule();
    for (const char* stop : {platform::ui::kWillResignActiveNotification,
                             GADSlotReloadTimer::kWillPresentFullScreenNotification}) {
        post(stop);
        EXPECT_FALSE(timer->isScheduled()) << stop;
    }
    scope.advance(20);
    EXPECT_EQ(reloads, 0);
    post(GADSlotReloadTimer::kDidDismissFullScreenNotification);
    EXPECT_TRUE(timer->isScheduled());
    post(platform::ui::kDidBecomeActiveNotification);
    scope.advance(10);
    EXPECT_EQ(reloads, 1);

    // A timer that goes calls nothing late.
    timer->schedule();
    timer.reset();
    scope.advance(10);
    post(platform::ui::kDidBecomeActiveNotification);
    EXPECT_EQ(reloads, 1);
}

}  // namespace
}  // namespace ads
