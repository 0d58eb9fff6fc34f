// The SDK core on real WebKit against the loopback ad server (run under a display:
// xvfb-run -a build/release/bench/bench_ads_sdk_core): an ad URL round trip with the core page
// loaded (buildAdURL to the requester's loadAdURLWithParameters: the script call, the page's
// call to the server, its gmsg answer), and a cold start (a new core web view: page load,
// constants, then the first answer). Targets: a round trip under 20 ms, a cold start under
// 500 ms.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "ads/web/GADSDKCoreController.h"
#include "bench/SDKCoreBench.h"
#include "platform/runtime/MainLoop.h"
#include "platform/testing/RunMainLoopUntil.h"

namespace {

using bench::CoreRequester;
using bench::loopbackAdServer;

bool answered(const std::shared_ptr<ads::GADSDKCoreController>& controller,
              const std::shared_ptr<CoreRequester>& requester) {
    const int before = requester->answers + requester->failures;
    controller->buildAdURL(requester);
    platform::testing::runMainLoopUntil(
        [&] { return requester->answers + requester->failures > before; }, 30);
    return requester->failures == 0 && requester->answers > 0;
}

void BM_AdURLRoundTrip(benchmark::State& state) {
    loopbackAdServer();
    auto controller = ads::GADSDKCoreController::create();
    auto requester = std::make_shared<CoreRequester>("ca-movu-bench");
    if (!answered(controller, requester)) {
        state.SkipWithError("the core page did not answer (no display?)");
        return;
    }
    for (auto _ : state) {
        if (!answered(controller, requester)) {
            state.SkipWithError("a request failed");
            break;
        }
    }
    loopbackAdServer().log().clear();
}
BENCHMARK(BM_AdURLRoundTrip)->Unit(benchmark::kMillisecond);

void BM_ColdPageLoadToFirstAnswer(benchmark::State& state) {
    loopbackAdServer();
    for (auto _ : state) {
        auto controller = ads::GADSDKCoreController::create();
        auto requester = std::make_shared<CoreRequester>("ca-movu-bench");
        if (!answered(controller, requester)) {
            state.SkipWithError("the core page did not answer (no display?)");
            break;
        }
        state.PauseTiming();
        controller.reset();
        platform::MainLoop::main().runUntilIdle();
        state.ResumeTiming();
    }
    loopbackAdServer().log().clear();
}
BENCHMARK(BM_ColdPageLoadToFirstAnswer)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
