// Content hashing and viewability on the main thread's budget.
//
// Capture: one capture of 10 KiB and 1 MiB of Latin and of Japanese text against
// gad_MD5Data over the same bytes. Target: a capture at least 10% of MD5's speed.
// The walk: collecting a tree of 1,000 views (one main-loop turn), and the visits of a whole
// walk (a turn each). Target: no turn over 1 ms (a web view's text read aside).
// One active-view sample of a view 20 levels deep, with its record and command.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>
#include <string>

#include "ads/foundation/GADContent.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/slot/GADActiveViewMonitor.h"
#include "ads/slot/GADSlotActiveView.h"
#include "ads/web/GADViewHierarchyTraverser.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/ui/Application.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace {

// Paragraphs of words of 2 to 10 letters (Latin), or of kana and ideographs with a Latin
// word now and then (Japanese); the same every run.
std::string text(std::size_t bytes, bool japanese) {
    static const char* const kJapanese[] = {"東", "京", "タ", "ワ", "ー", "の", "日", "本",
                                            "語", "を", "読", "む", "ア", "イ", "ウ", "年"};
    std::mt19937 random(42);
    std::uniform_int_distribution<int> length(2, 10);
    std::uniform_int_distribution<int> pick(0, 25);
    std::string out;
    while (out.size() < bytes) {
        if (japanese && pick(random) != 0) {
            out += kJapanese[pick(random) % 16];
        } else {
            const int n = length(random);
            for (int i = 0; i < n; ++i) out += static_cast<char>('a' + pick(random));
            out += ' ';
        }
        if (pick(random) == 0 && pick(random) < 3) out += '\n';
    }
    // Cut on a character boundary.
    std::size_t end = std::min(bytes, out.size());
    while (end > 0 && (static_cast<unsigned char>(out[end]) & 0xC0) == 0x80) --end;
    out.resize(end);
    return out;
}

void BM_Capture(benchmark::State& state) {
    const std::string page = text(static_cast<std::size_t>(state.range(0)), state.range(1) != 0);
    std::uint64_t sequence = 0;
    for (auto _ : state) {
        ads::GADContent content(++sequence, ads::GADContentSettings{}, nullptr, nullptr);
        content.updateContentWithText(page);
        benchmark::DoNotOptimize(content.fingerprint());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_Capture)
    ->ArgsProduct({{10 << 10, 1 << 20}, {0, 1}})
    ->ArgNames({"bytes", "japanese"})
    ->Unit(benchmark::kMicrosecond);

void BM_MD5(benchmark::State& state) {
    const std::string page = text(static_cast<std::size_t>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) benchmark::DoNotOptimize(ads::gad_MD5Data(page));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_MD5)
    ->ArgsProduct({{10 << 10, 1 << 20}, {0, 1}})
    ->ArgNames({"bytes", "japanese"})
    ->Unit(benchmark::kMicrosecond);

// A tree of `count` views, ten children to a view.
std::shared_ptr<platform::ui::View> tree(int count) {
    std::vector<std::shared_ptr<platform::ui::View>> all{platform::ui::View::create()};
    for (int i = 1; i < count; ++i) {
        auto view = platform::ui::View::create();
        all[static_cast<std::size_t>((i - 1) / 10)]->addSubview(view);
        all.push_back(view);
    }
    return all.front();
}

// Each iteration times the collection (the call, one main-loop turn); the walk's visits then
// each take a turn of their own, and the longest visit is reported as "max_visit_us".
void BM_WalkThousandViews(benchmark::State& state) {
    platform::MainLoopTestScope loop;
    const auto root = tree(1000);
    auto traverser = ads::GADViewHierarchyTraverser::create();
    double longest = 0;
    for (auto _ : state) {
        bool done = false;
        int visits = 0;
        traverser->traverseView(
            root,
            [&](const std::shared_ptr<platform::ui::View>& view, std::int64_t) {
                const auto start = std::chrono::steady_clock::now();
                benchmark::DoNotOptimize(view->subviews().size());
                ++visits;
                longest = std::max(longest, std::chrono::duration<double, std::micro>(
                                                std::chrono::steady_clock::now() - start)
                                                .count());
            },
            [&](bool) { done = true; });
        state.PauseTiming();
        while (!done) loop.loop().runOnce(0.01);
        benchmark::DoNotOptimize(visits);
        state.ResumeTiming();
    }
    state.counters["max_visit_us"] = longest;
}
BENCHMARK(BM_WalkThousandViews)->Unit(benchmark::kMicrosecond)->Iterations(20);

class Recorder : public ads::GADActiveViewMonitorDelegate {
  public:
    void activeViewMonitorDidRefresh(ads::GADActiveViewMonitor& monitor) override {
        ads::GADSlotActiveView::RecordInputs in;
        in.globalVisibleBox = monitor.monitoredViewVisibleBounds();
        in.isVisible = monitor.monitoredViewVisible();
        if (auto view = monitor.monitoredView()) {
            in.adBox = view->convertRectToView(view->bounds(), nullptr);
        }
        command = ads::GADSlotActiveView::activeViewJSCommandWithParams(
            ads::GADSlotActiveView::activeViewParameters(in));
    }
    std::optional<std::string> command;
};

void BM_SampleTwentyLevelsDeep(benchmark::State& state) {
    platform::MainLoopTestScope loop;
    platform::ui::Application::shared().becomeActive();
    auto window = platform::ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<platform::ui::View> parent = window;
    for (int level = 0; level < 20; ++level) {
        auto view = platform::ui::View::create({1, 1, 300, 400});
        view->setClipsToBounds(true);
        parent->addSubview(view);
        parent = view;
    }
    auto monitor = ads::GADActiveViewMonitor::create(parent);
    auto recorder = std::make_shared<Recorder>();
    monitor->setDelegate(recorder);
    for (auto _ : state) {
        monitor->updateViewBounds();
        benchmark::DoNotOptimize(recorder->command);
    }
}
BENCHMARK(BM_SampleTwentyLevelsDeep)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
