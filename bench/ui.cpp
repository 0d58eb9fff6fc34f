// The toolkit's per-frame costs: finding the view under a finger in a deep tree, reading an
// interface file, and composing a screen of labels and buttons on the software renderer.

#include <benchmark/benchmark.h>

#include "platform/gfx/HeadlessContext.h"
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

}  // namespace

BENCHMARK_MAIN();
