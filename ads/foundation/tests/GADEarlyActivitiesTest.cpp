#include "ads/foundation/GADEarlyActivities.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "platform/runtime/GlobalQueue.h"
#include "platform/runtime/MainLoopTestScope.h"

namespace ads {
namespace {

using Rank = GADEarlyActivities::Rank;

TEST(GADEarlyActivitiesTest, StepsRunOnceInRankOrder) {
    platform::MainLoopTestScope scope;
    auto startup = GADEarlyActivities::create();
    std::vector<std::string> ran;
    startup->add(Rank::CrashReporter, [&] { ran.push_back("crash"); });
    startup->add(Rank::DeviceFacts, [&] { ran.push_back("device"); });
    startup->add(Rank::Pinger, [&] { ran.push_back("pinger"); });
    startup->add(Rank::MRAIDInterceptor, [&] { ran.push_back("mraid"); });
    startup->add(Rank::DeviceFacts, [&] { ran.push_back("device, second"); });
    startup->add(Rank::MRAIDInterceptor, {});
    EXPECT_FALSE(startup->hasRun());
    startup->run();
    startup->run();
    EXPECT_TRUE(startup->hasRun());
    EXPECT_EQ(ran,
              (std::vector<std::string>{"device", "device, second", "mraid", "pinger", "crash"}));
    // Registered after the start-up: runs at once.
    startup->add(Rank::TokenDispenser, [&] { ran.push_back("late"); });
    EXPECT_EQ(ran.back(), "late");
    startup->run();
    EXPECT_EQ(ran.size(), 6u);
}

TEST(GADEarlyActivitiesTest, AStepThatReachesAStartUpMomentDoesNotRerunTheList) {
    platform::MainLoopTestScope scope;
    auto startup = GADEarlyActivities::create();
    int first = 0;
    int second = 0;
    startup->add(1, [&] {
        ++first;
        startup->run();  // say, a step that makes the first request
    });
    startup->add(2, [&] { ++second; });
    startup->run();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
}

TEST(GADEarlyActivitiesTest, OffTheMainThreadTheStartUpIsPostedToIt) {
    platform::MainLoopTestScope scope;
    auto startup = GADEarlyActivities::create();
    bool onMain = false;
    startup->add(Rank::DeviceFacts, [&] { onMain = platform::isMainThread(); });
    std::promise<void> called;
    platform::GlobalQueue::async([&] {
        startup->run();
        called.set_value();
    });
    called.get_future().wait();
    EXPECT_FALSE(startup->hasRun());
    scope.runUntilIdle();
    EXPECT_TRUE(startup->hasRun());
    EXPECT_TRUE(onMain);

    // A late step from another thread also runs on the main thread.
    bool lateOnMain = false;
    std::promise<void> added;
    platform::GlobalQueue::async([&] {
        startup->add(Rank::Pinger, [&] { lateOnMain = platform::isMainThread(); });
        added.set_value();
    });
    added.get_future().wait();
    scope.runUntilIdle();
    EXPECT_TRUE(lateOnMain);
}

}  // namespace
}  // namespace ads
