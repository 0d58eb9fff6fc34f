#include "platform/runtime/WeakCall.h"

#include <gtest/gtest.h>

#include "platform/runtime/MainLoop.h"
#include "platform/runtime/MainLoopTestScope.h"

namespace {

struct Counter {
    int hits = 0;
    void bump(int by) { hits += by; }
};

TEST(WeakCallTest, RunsWhileTheTargetLivesAndNothingAfterwards) {
    platform::MainLoopTestScope scope;
    auto counter = std::make_shared<Counter>();
    auto viaMember = platform::weakCall(std::weak_ptr<Counter>(counter), &Counter::bump);
    auto viaLambda =
        platform::weakCall(std::weak_ptr<Counter>(counter), [](Counter& c) { c.hits += 10; });
    viaMember(2);
    platform::MainLoop::main().post(viaLambda);
    platform::MainLoop::main().runUntilIdle();
    EXPECT_EQ(counter->hits, 12);

    platform::MainLoop::main().post(viaLambda);
    counter.reset();
    platform::MainLoop::main().runUntilIdle();
    viaMember(5);  // nothing to call: must not crash
}

}  // namespace
