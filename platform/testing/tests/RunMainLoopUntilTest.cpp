#include "platform/testing/RunMainLoopUntil.h"

#include <thread>

#include <gtest/gtest.h>

#include "platform/runtime/MainLoop.h"
#include "platform/runtime/MainLoopTestScope.h"

using platform::testing::runMainLoopUntil;

TEST(RunMainLoopUntil, ReturnsWhenWorkPostedFromAnotherThreadMakesTheConditionTrue) {
    platform::MainLoopTestScope scope;
    bool arrived = false;
    std::thread poster([] { platform::MainLoop::main().post([] {}); });
    std::thread setter(
        [&arrived] { platform::MainLoop::main().post([&arrived] { arrived = true; }); });
    EXPECT_TRUE(runMainLoopUntil([&] { return arrived; }));
    poster.join();
    setter.join();
}

TEST(RunMainLoopUntil, GivesUpAfterItsLimit) {
    platform::MainLoopTestScope scope;
    EXPECT_FALSE(runMainLoopUntil([] { return false; }, 0.05));
    EXPECT_TRUE(runMainLoopUntil([] { return true; }, 0));
}
