// Throughput of the main loop and the queues: how fast work posted to the main thread is
// dispatched, what a timer costs, and what a serial queue hop costs.

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "platform/runtime/MainLoop.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/runtime/SerialQueue.h"

using namespace platform;

// Posting from the main thread and draining in one turn.
static void BM_PostAndDrain(benchmark::State& state) {
    MainLoopTestScope scope;
    MainLoop& loop = scope.loop();
    const auto batch = state.range(0);
    std::int64_t counter = 0;
    for (auto _ : state) {
        for (std::int64_t i = 0; i < batch; ++i) loop.post([&counter] { ++counter; });
        loop.runUntilIdle();
    }
    benchmark::DoNotOptimize(counter);
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_PostAndDrain)->Arg(1)->Arg(64)->Arg(4096);

// One producer thread posting while the main thread runs its frame loop.
static void BM_PostFromBackgroundThread(benchmark::State& state) {
    MainLoopTestScope scope;
    MainLoop& loop = scope.loop();
    const std::int64_t batch = 10000;
    for (auto _ : state) {
        std::atomic<std::int64_t> done{0};
        std::thread producer([&] {
            for (std::int64_t i = 0; i < batch; ++i) {
                loop.post([&done] { done.fetch_add(1, std::memory_order_relaxed); });
            }
        });
        while (done.load(std::memory_order_relaxed) < batch) loop.runOnce(0.01);
        producer.join();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_PostFromBackgroundThread)->Unit(benchmark::kMillisecond);

// Round trip of syncOnMain from a background thread.
static void BM_SyncOnMainRoundTrip(benchmark::State& state) {
    MainLoopTestScope scope;
    MainLoop& loop = scope.loop();
    const int calls = 2000;
    for (auto _ : state) {
        std::atomic<bool> finished{false};
        std::thread caller([&] {
            for (int i = 0; i < calls; ++i) loop.syncOnMain([] {});
            finished = true;
            loop.post([] {});
        });
        while (!finished.load()) loop.runOnce(0.01);
        caller.join();
        loop.runUntilIdle();
    }
    state.SetItemsProcessed(state.iterations() * calls);
}
BENCHMARK(BM_SyncOnMainRoundTrip)->Unit(benchmark::kMillisecond);

// Delayed work scheduled and fired in time order under the manual clock.
static void BM_PostAfterFired(benchmark::State& state) {
    MainLoopTestScope scope;
    MainLoop& loop = scope.loop();
    const auto batch = state.range(0);
    std::int64_t counter = 0;
    for (auto _ : state) {
        for (std::int64_t i = 0; i < batch; ++i) {
            loop.postAfter(0.001 * static_cast<double>(i % 100), [&counter] { ++counter; });
        }
        loop.advance(0.1);
    }
    benchmark::DoNotOptimize(counter);
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_PostAfterFired)->Arg(1000);

// A repeating frame timer firing under the manual clock.
static void BM_RepeatingTimerFirings(benchmark::State& state) {
    MainLoopTestScope scope;
    std::int64_t ticks = 0;
    auto timer = Timer::schedule(0.03, true, [&ticks] { ++ticks; });
    for (auto _ : state) scope.advance(0.03);
    timer->invalidate();
    state.SetItemsProcessed(ticks);
}
BENCHMARK(BM_RepeatingTimerFirings);

// Scheduling and cancelling without firing (time-outs that are usually cancelled).
static void BM_TimerScheduleInvalidate(benchmark::State& state) {
    MainLoopTestScope scope;
    for (auto _ : state) {
        auto t = Timer::schedule(10.0, false, [] {});
        t->invalidate();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TimerScheduleInvalidate);

// Serial queue: async work followed by one sync that waits for it.
static void BM_SerialQueueAsync(benchmark::State& state) {
    SerialQueue queue("bench.serial");
    const auto batch = state.range(0);
    std::int64_t counter = 0;
    for (auto _ : state) {
        for (std::int64_t i = 0; i < batch; ++i) queue.async([&counter] { ++counter; });
        queue.sync([] {});
    }
    benchmark::DoNotOptimize(counter);
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_SerialQueueAsync)->Arg(1)->Arg(1000);

BENCHMARK_MAIN();
