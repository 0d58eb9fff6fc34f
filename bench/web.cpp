// Web view costs on real WebKit (run under a display: xvfb-run -a build/release/bench/bench_web):
// a page load, script round trips (synchronous through a nested GLib iteration, asynchronous
// through the main loop), a snapshot of a full-screen page, the time from a change of a
// full-screen page to its new frame, opaque and transparent (a transparent page's frame is
// painted afresh), and the memory the views cost (private memory, RSS and PSS of this process and
// of the web and network processes it started, with 1 and 4 views). Targets: a script round trip
// under 1 ms, a snapshot under 10 ms, a transparent page's new frame at most one frame period (16
// ms) after an opaque one's, at most 40 MB private memory per extra view.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/ProcessMemory.h"
#include "platform/runtime/MainLoop.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/web/WebView.h"

namespace {

using namespace platform::web;

struct Finish : WebViewDelegate {
    int finished = 0;
    void webViewDidFinishLoad(WebView&) override { ++finished; }
};

const char* kPage =
    "<html><body style='margin:0;background:#204080'><h1>Ad</h1><p>Some text to lay out and "
    "paint.</p><a href='https://ads.example/click'>Visit</a></body></html>";

std::shared_ptr<WebView> loadedView(const std::shared_ptr<Finish>& delegate, platform::Size size) {
    auto view = WebView::create(size);
    view->setDelegate(delegate);
    int before = delegate->finished;
    view->loadHTMLString(kPage, *platform::Url::parse("http://ads.example/page.html"));
    platform::testing::runMainLoopUntil([&] { return delegate->finished > before; }, 30);
    return view;
}

void BM_WebPageLoad(benchmark::State& state) {
    auto delegate = std::make_shared<Finish>();
    auto view = loadedView(delegate, {320, 50});
    for (auto _ : state) {
        int before = delegate->finished;
        view->loadHTMLString(kPage, *platform::Url::parse("http://ads.example/page.html"));
        platform::testing::runMainLoopUntil([&] { return delegate->finished > before; }, 30);
    }
}
BENCHMARK(BM_WebPageLoad)->Unit(benchmark::kMillisecond);

void BM_WebScriptSync(benchmark::State& state) {
    auto delegate = std::make_shared<Finish>();
    auto view = loadedView(delegate, {320, 50});
    for (auto _ : state) {
        benchmark::DoNotOptimize(view->stringByEvaluatingJavaScriptFromString("1 + 1"));
    }
}
BENCHMARK(BM_WebScriptSync)->Unit(benchmark::kMicrosecond);

void BM_WebScriptAsync(benchmark::State& state) {
    auto delegate = std::make_shared<Finish>();
    auto view = loadedView(delegate, {320, 50});
    auto& loop = platform::MainLoop::main();
    for (auto _ : state) {
        bool done = false;
        view->evaluateJavaScript("1 + 1", [&](const std::string&, const auto&) { done = true; });
        while (!done) loop.runOnce(1.0);
    }
}
BENCHMARK(BM_WebScriptAsync)->Unit(benchmark::kMicrosecond);

void BM_WebSnapshot(benchmark::State& state) {
    auto delegate = std::make_shared<Finish>();
    auto view = loadedView(delegate, {320, 480});
    for (auto _ : state) {
        auto shot = view->snapshot();
        benchmark::DoNotOptimize(shot);
    }
}
BENCHMARK(BM_WebSnapshot)->Unit(benchmark::kMillisecond);

// Arg 1: a transparent page; arg 0: the same page opaque (its frame is WebKit's own picture),
// for the cost of painting afresh.
void BM_WebChangedFrame(benchmark::State& state) {
    auto delegate = std::make_shared<Finish>();
    auto view = WebView::create({320, 480});
    WebViewSettings settings;
    if (state.range(0)) {
        settings.opaque = false;
        settings.backgroundColor = platform::Color::clear();
    }
    view->setSettings(settings);
    view->setDelegate(delegate);
    view->loadHTMLString(
        "<body style='margin:0'><div id='d' style='position:absolute;left:0;top:0;width:100px;"
        "height:100px;background:#ff0000'></div></body>",
        *platform::Url::parse("http://ads.example/page.html"));
    platform::testing::runMainLoopUntil([&] { return delegate->finished > 0; }, 30);
    int left = 0;
    for (auto _ : state) {
        left = left ? 0 : 200;
        view->evaluateJavaScript("document.getElementById('d').style.left = '" +
                                 std::to_string(left) + "px'");
        // As a window drawing it would: each look at the frame may ask for the next one.
        platform::testing::runMainLoopUntil(
            [&] { return view->paintedFrame().pixel(left + 50, 50) == 0xff0000ffu; }, 30);
    }
}
BENCHMARK(BM_WebChangedFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_WebMemoryPerView(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<bench::ProcessMemory> processes;
    for (auto _ : state) {
        auto delegate = std::make_shared<Finish>();
        std::vector<std::shared_ptr<WebView>> views;
        for (int i = 0; i < count; ++i) views.push_back(loadedView(delegate, {320, 480}));
        for (auto& view : views) (void)view->snapshot();
        processes = bench::processTreeMemory(getpid());
    }
    const auto sum = bench::total(processes);
    state.counters["private_MB"] = sum.privateMB;
    state.counters["rss_MB"] = sum.rssMB;
    state.counters["pss_MB"] = sum.pssMB;
    state.counters["processes"] = static_cast<double>(processes.size());
    state.counters["views"] = count;
}
BENCHMARK(BM_WebMemoryPerView)->Arg(1)->Arg(4)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
