#include "ads/foundation/GADRunOnMainThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "platform/runtime/GlobalQueue.h"
#include "platform/runtime/MainLoopTestScope.h"

namespace ads {
namespace {

TEST(GADRunOnMainThreadTest, RunsInlineOnTheMainThreadAndIsPostedFromOthers) {
    platform::MainLoopTestScope scope;
    bool ranInline = false;
    GADRunOnMainThread([&] { ranInline = true; });
    EXPECT_TRUE(ranInline);
    EXPECT_EQ(scope.loop().pendingTaskCount(), 0u);

    std::atomic<bool> ran{false};
    std::atomic<bool> onMain{false};
    std::promise<bool> returnedFirst;
    platform::GlobalQueue::async([&] {
        GADRunOnMainThread([&] {
            onMain = platform::isMainThread();
            ran = true;
        });
        // The main thread is waiting for this promise, so the block cannot have run yet.
        returnedFirst.set_value(!ran);
    });
    EXPECT_TRUE(returnedFirst.get_future().get());
    EXPECT_FALSE(ran);
    scope.runUntilIdle();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(onMain);

    GADRunOnMainThread({});  // nothing to run, nothing posted
    EXPECT_EQ(scope.loop().pendingTaskCount(), 0u);
}

}  // namespace
}  // namespace ads
