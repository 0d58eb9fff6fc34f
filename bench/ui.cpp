// The toolkit's per-frame costs: finding the view under a finger in a deep tree, reading an
// interface file, composing a screen of labels and buttons on the software renderer, and a
// label of 100,000 characters (what a server's announcement may send): its first frame lays
// the text out, later frames must cost no more than any other label's.

#include <benchmark/benchmark.h>

#include "platform/gfx/HeadlessContext.h"
#include "platform/gfx/TextRaster.h"
#include "platform/runtime/MainLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/Label.h"
#include "platform/ui/Window.h"

using namespace platform::ui;

namespace {

// A grid of 20 x 25 cells, each a view holding a label and a button.
std::shared_ptr<Window> gridWindow() {
    auto window = Window::create({0, 0, 320, 480});
    for (int row = 0; row < 25; ++row)
        for (int col = 0; col < 20; ++col) {
            auto cell = View::create({col * 16.0, row * 19.2, 16, 19.2});
            cell->addSubview(Label::create({0, 0, 16, 10}, std::to_string(row * 20 + col)));
            cell->addSubview(Button::create(ButtonType::Custom, {0, 10, 16, 9}));
            window->addSubview(cell);
        }
    return window;
}

void BM_HitTestDeepTree(benchmark::State& state) {
    auto window = gridWindow();
    double y = 0;
    for (auto _ : state) {
        y = y > 470 ? 0 : y + 7.3;
        benchmark::DoNotOptimize(window->hitTest({317, y}, nullptr));
    }
}
BENCHMARK(BM_HitTestDeepTree);

void BM_LoadInterfaceFile(benchmark::State& state) {
    InterfaceLoader::setSearchDirectory(std::string(MOVU_SOURCE_DIR) + "/assets/ui");
    for (auto _ : state) benchmark::DoNotOptimize(InterfaceLoader::load("Pause_Portrait"));
}
BENCHMARK(BM_LoadInterfaceFile);

void BM_ComposeLabelScreen(benchmark::State& state) {
    platform::MainLoop::main().claim();
    auto context = platform::gfx::HeadlessContext::create(320, 480);
    if (!context) {
        state.SkipWithError("no headless GL");
        return;
    }
    auto window = Window::create({0, 0, 320, 480});
    for (int i = 0; i < 12; ++i) {
        auto b = Button::create(ButtonType::RoundedRect, {20, 10 + i * 38.0, 280, 32});
        b->setTitle("Button number " + std::to_string(i), ControlStateNormal);
        window->addSubview(b);
    }
    Compositor compositor;
    for (auto _ : state) {
        compositor.drawFrame(*window, 320, 480);
        context->present();
    }
}
BENCHMARK(BM_ComposeLabelScreen)->Unit(benchmark::kMillisecond);

std::shared_ptr<Window> longLabelWindow() {
    std::string text;
    while (text.size() < 100000) text += "words of a message far longer than any screen ";
    auto window = Window::create({0, 0, 320, 480});
    auto label = Label::create({20, 20, 280, 440}, text);
    label->setNumberOfLines(0);
    window->addSubview(label);
    return window;
}

// Frames after the first: the text is neither wrapped nor shaped again.
void BM_LongLabelLaterFrames(benchmark::State& state) {
    platform::MainLoop::main().claim();
    auto context = platform::gfx::HeadlessContext::create(320, 480);
    if (!context) {
        state.SkipWithError("no headless GL");
        return;
    }
    auto window = longLabelWindow();
    Compositor compositor;
    compositor.drawFrame(*window, 320, 480);
    auto& raster = platform::gfx::TextRaster::shared();
    auto shapedBefore = raster.shapedCodePoints();
    for (auto _ : state) {
        compositor.drawFrame(*window, 320, 480);
        context->present();
    }
    state.counters["shaped/frame"] = benchmark::Counter(
        double(raster.shapedCodePoints() - shapedBefore), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_LongLabelLaterFrames)->Unit(benchmark::kMillisecond);

// The first frame of such a label, for comparison: wrapping and rasterising it once.
void BM_LongLabelFirstFrame(benchmark::State& state) {
    platform::MainLoop::main().claim();
    auto context = platform::gfx::HeadlessContext::create(320, 480);
    if (!context) {
        state.SkipWithError("no headless GL");
        return;
    }
    auto window = longLabelWindow();
    for (auto _ : state) {
        Compositor compositor;
        compositor.drawFrame(*window, 320, 480);
        context->present();
    }
}
BENCHMARK(BM_LongLabelFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
