// The game's frames while a busy banner is up (run under a display: xvfb-run -a
// build/release/bench/bench_ads_busy_banner): a main loop that turns as the program's frame
// loop does and composites a 320 x 480 window 60 times a second, with the yielding-spin banner
// of the loopback ad server at its bottom (a mediated HTML creative whose page spins 2.5 s at a
// time and yields 5 ms, so it answers every question seconds late and is never ended), for 10 s
// of real time while the banner's rendered check looks at the page every 0.2 s. Every room is
// loaded as ads::load() loads them; the SDK's clock follows real time. Reported: the longest
// gap between two frames and the 99th percentile, frames drawn per second, and the synchronous
// waits on a page the main thread made meanwhile. Target: no gap over 100 ms, so a busy page
// costs the game no more than a few frames.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "ads/Ads.h"
#include "ads/foundation/GADAdSize.h"
#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADBannerView.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "platform/gfx/HeadlessContext.h"
#include "platform/runtime/MainLoop.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/WebView.h"

namespace {

using Clock = std::chrono::steady_clock;
using platform::web::WebView;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

constexpr const char* kUnit = "ca-movu-busy";
constexpr double kWatchedSeconds = 10;
constexpr double kFramePeriod = 1.0 / 60;
constexpr double kCheckInterval = 0.2;

double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

std::uint64_t looksSoFar() {
    return WebView::synchronousWaitCount() + WebView::asynchronousSnapshotCount();
}

void BM_FrameGapsWithABusyBanner(benchmark::State& state) {
    std::vector<double> gaps;
    std::uint64_t waits = 0;
    for (auto _ : state) {
        ads::testing::AdsTestScope scope;
        ads::testing::AdServerFixture server;
        ads::testing::SDKCoreTestScope core;
        ads::load();
        auto context = platform::gfx::HeadlessContext::create(320, 480);
        if (!context) {
            state.SkipWithError("no headless GL");
            return;
        }
        auto window = platform::ui::Window::create({0, 0, 320, 480});
        window->setBackgroundColor(platform::Color::whiteColor());
        auto controller = platform::ui::ViewController::create();
        server.server().setScenario(kUnit, AdScenario::yieldingSpinBanner());
        auto banner = ads::GADBannerView::create(ads::kGADAdSizeBanner, {0, 430});
        banner->setAdUnitID(kUnit);
        banner->setRootViewController(controller);
        window->addSubview(banner);
        banner->loadRequest(ads::GADRequest::request());
        // Until the answer came and the adapter's check has begun looking at its page.
        const auto before = looksSoFar();
        if (!server.waitWhileClockMoves(scope, [&] {
                return server.log().count(RequestKind::AdRequest) >= 1 && looksSoFar() > before;
            })) {
            state.SkipWithError("the banner's rendered check never started");
            return;
        }

        platform::ui::Compositor compositor;
        auto& loop = platform::MainLoop::main();
        const auto waitsBefore = WebView::synchronousWaitCount();
        const auto start = Clock::now();
        auto lastFrame = start, lastTurn = start;
        auto nextFrame = start;
        for (auto now = start; secondsBetween(start, now) < kWatchedSeconds; now = Clock::now()) {
            loop.runOnce(std::max(0.0, secondsBetween(now, nextFrame)));
            now = Clock::now();
            // At most one of the check's periods a turn: the program's timers skip the firings
            // a long turn missed instead of catching up on them.
            scope.advance(std::min(secondsBetween(lastTurn, now), kCheckInterval));
            lastTurn = now;
            if (now < nextFrame) continue;
            compositor.drawFrame(*window, 320, 480);
            context->present();
            const auto drawn = Clock::now();
            gaps.push_back(secondsBetween(lastFrame, drawn));
            lastFrame = drawn;
            nextFrame += std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(kFramePeriod));
            if (nextFrame < drawn) nextFrame = drawn;
        }
        waits = WebView::synchronousWaitCount() - waitsBefore;
        banner->removeFromSuperview();
    }
    if (gaps.empty()) return;
    std::vector<double> sorted = gaps;
    std::sort(sorted.begin(), sorted.end());
    state.counters["max_gap_ms"] = sorted.back() * 1000;
    state.counters["p99_gap_ms"] = sorted[sorted.size() * 99 / 100] * 1000;
    state.counters["frames_per_s"] = double(gaps.size()) / kWatchedSeconds;
    state.counters["sync_waits"] = double(waits);
}
BENCHMARK(BM_FrameGapsWithABusyBanner)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
