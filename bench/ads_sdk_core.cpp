// The SDK core on real WebKit against the loopback ad server (run under a display:
// xvfb-run -a build/release/bench/bench_ads_sdk_core): an ad URL round trip with the core page
// loaded (buildAdURL to the requester's loadAdURLWithParameters: the script call, the page's
// call to the server, its gmsg answer), and a cold start (a new core web view: page load,
// constants, then the first answer). Targets: a round trip under 20 ms, a cold start under
// 500 ms.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>
#include <memory>
#include <string>

#include "ads/web/GADSDKCoreController.h"
#include "platform/runtime/MainLoop.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "tools/ad_server/AdServer.h"

namespace {

using platform::Value;

class Requester : public ads::GADSDKCoreControllerDelegate {
  public:
    RequestParametersBuilder requestParametersWithRequestID(const std::string& id) override {
        return [id] {
            return std::optional<Value::Dictionary>(
                Value::Dictionary{{"slotname", Value("ca-movu-bench")},
                                  {"format", Value("320x50_mb")},
                                  {"request_id", Value(id)}});
        };
    }
    ads::GADRequestedAdType requestedAdType() override { return ads::GADRequestedAdType::Banner; }
    std::int64_t CSIIdentifier() override { return 1; }
    void loadAdURLWithParameters(const Value::Dictionary&) override { ++answers; }
    void loadAd(const std::shared_ptr<ads::GADAd>&,
                const std::optional<Value::Dictionary>&) override {
        ++answers;
    }
    void invalidJavaScriptRequest() override { ++failures; }
    void failedJavaScriptFile() override { ++failures; }
    void SDKCoreRequestDidTimeOut() override { ++failures; }

    int answers = 0;
    int failures = 0;
};

// The server lives for the whole run, quiet, and the SDK finds it through the environment.
tools::adserver::AdServer& server() {
    static auto* server = [] {
        platform::MainLoop::main().claim();
        auto* s = new tools::adserver::AdServer(0);
        ::setenv("MOVUROUTE_AD_SERVER", s->origin().c_str(), 1);
        return s;
    }();
    return *server;
}

bool answered(const std::shared_ptr<ads::GADSDKCoreController>& controller,
              const std::shared_ptr<Requester>& requester) {
    const int before = requester->answers + requester->failures;
    controller->buildAdURL(requester);
    platform::testing::runMainLoopUntil(
        [&] { return requester->answers + requester->failures > before; }, 30);
    return requester->failures == 0 && requester->answers > 0;
}

void BM_AdURLRoundTrip(benchmark::State& state) {
    server();
    auto controller = ads::GADSDKCoreController::create();
    auto requester = std::make_shared<Requester>();
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
    server().log().clear();
}
BENCHMARK(BM_AdURLRoundTrip)->Unit(benchmark::kMillisecond);

void BM_ColdPageLoadToFirstAnswer(benchmark::State& state) {
    server();
    for (auto _ : state) {
        auto controller = ads::GADSDKCoreController::create();
        auto requester = std::make_shared<Requester>();
        if (!answered(controller, requester)) {
            state.SkipWithError("the core page did not answer (no display?)");
            break;
        }
        state.PauseTiming();
        controller.reset();
        platform::MainLoop::main().runUntilIdle();
        state.ResumeTiming();
    }
    server().log().clear();
}
BENCHMARK(BM_ColdPageLoadToFirstAnswer)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
