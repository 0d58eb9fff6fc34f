// The rendered check of an ad view: ads whose ad network draws them with a script, and
// mediated HTML creatives, are looked at every 0.2 s until they show something, on the main
// thread. One look scans the whole banner (320 x 50, a 728 x 90 leaderboard) or the whole
// screen (320 x 480), so it must stay a small share of those 0.2 s. Target: the scan of a
// 320 x 480 picture under 0.5 ms (a banner's or a leaderboard's well below it), the whole check
// (the scripted engine's picture asked for, delivered on the next main-loop turn and judged)
// under 1 ms; WebKit's own snapshot is measured by bench_web, the frames of a game whose
// banner's page is busy by bench_ads_busy_banner.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "ads/slot/GADAdViewRenderedChecker.h"
#include "ads/web/GADAdView.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/testing/TempDir.h"
#include "platform/web/FakeWebViewScope.h"

namespace {

using ads::GADAdViewRenderedChecker;

// A page that is all background: the check finds nothing and must look at every pixel.
platform::web::WebSnapshot blankPage(int width, int height) {
    platform::web::WebSnapshot shot{width, height,
                                    std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    for (std::size_t i = 0; i < shot.rgba.size(); ++i) shot.rgba[i] = 255;
    return shot;
}

void BM_ShareOfBackground(benchmark::State& state) {
    const int width = int(state.range(0)), height = int(state.range(1));
    const auto shot = blankPage(width, height);
    for (auto _ : state) {
        benchmark::DoNotOptimize(GADAdViewRenderedChecker::percentOfSnapshot(
            shot, width, height, platform::Color::whiteColor()));
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_ShareOfBackground)->Args({320, 50})->Args({728, 90})->Args({320, 480});

// The same comparison on a picture of its own, premultiplied like every page's.
void BM_ShareOfPicture(benchmark::State& state) {
    const int width = int(state.range(0)), height = int(state.range(1));
    const auto picture = platform::gfx::Image::blank(width, height);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            GADAdViewRenderedChecker::percentOfImage(picture, platform::Color::clear()));
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_ShareOfPicture)->Args({320, 50})->Args({728, 90});

class Verdicts : public ads::GADAdViewRenderedCheckerDelegate {
  public:
    void adViewDidRenderContent(ads::GADAdView&) override { ++rendered; }
    void adViewDidFailToRenderContent(ads::GADAdView&) override { ++blank; }
    int rendered = 0, blank = 0;
};

void BM_RenderedCheck(benchmark::State& state) {
    const int width = int(state.range(0)), height = int(state.range(1));
    platform::testing::TempDir home;
    platform::testing::ScopedEnv homeVariable("MOVUROUTE_HOME", home.path().string());
    platform::MainLoopTestScope loop;
    platform::web::FakeWebViewScope web;
    auto adView = ads::GADAdView::create(platform::Rect(0, 0, width, height));
    adView->setBackgroundColor(platform::Color::whiteColor());
    web.lastPage()->setSnapshot(blankPage(width, height));
    auto verdicts = std::make_shared<Verdicts>();
    auto checker = std::make_shared<GADAdViewRenderedChecker>();
    checker->setAdView(adView);
    checker->setDelegate(verdicts);
    // One tick: the picture is asked for, comes on the next turn and is judged there.
    for (auto _ : state) {
        checker->checkIsContentRenderedInAdView();
        loop.runUntilIdle();
    }
    if (verdicts->rendered != 0) state.SkipWithError("a blank page counted as rendered");
    if (verdicts->blank != int(state.iterations())) state.SkipWithError("a tick without verdict");
    adView->removeFromSuperview();
}
BENCHMARK(BM_RenderedCheck)->Args({320, 50})->Args({320, 480});

}  // namespace

BENCHMARK_MAIN();
