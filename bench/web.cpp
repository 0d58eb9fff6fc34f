// Web view costs on real WebKit (run under a display: xvfb-run -a build/release/bench/bench_web):
// a page load, script round trips (synchronous through a nested GLib iteration, asynchronous
// through the main loop), a snapshot of a full-screen page, and the memory a view costs (PSS of
// this process and the web processes it started, with 1 and 4 views). Targets: a script round
// trip under 1 ms, a snapshot under 10 ms, at most 40 MB PSS per extra view.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

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

// PSS in kB of this process and every process it started (the web and network processes).
double treePss(pid_t root) {
    double total = 0;
    std::ifstream smaps("/proc/" + std::to_string(root) + "/smaps_rollup");
    for (std::string line; std::getline(smaps, line);) {
        if (line.rfind("Pss:", 0) == 0) total += std::stod(line.substr(4));
    }
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string text;
        std::getline(stat, text);
        auto close = text.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(text.substr(close + 2));
        char s;
        pid_t parent = 0;
        rest >> s >> parent;
        if (parent == root) total += treePss(static_cast<pid_t>(std::stoi(name)));
    }
    return total;
}

void BM_WebMemoryPerView(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    double pss = 0;
    for (auto _ : state) {
        auto delegate = std::make_shared<Finish>();
        std::vector<std::shared_ptr<WebView>> views;
        for (int i = 0; i < count; ++i) views.push_back(loadedView(delegate, {320, 480}));
        for (auto& view : views) (void)view->snapshot();
        pss = treePss(getpid()) / 1024.0;
    }
    state.counters["pss_MB"] = pss;
    state.counters["views"] = count;
}
BENCHMARK(BM_WebMemoryPerView)->Arg(1)->Arg(4)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
