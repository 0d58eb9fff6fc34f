// The program's loop: what one frame of the main loop costs on its own (timers of the game and
// the accelerometer, posted work), and a whole headless run of 60 seconds on its clock - a game
// from the start until the car leaves the road (with this seed and tilt some 27 seconds in; the
// game_seconds counter says), then the game-over screen - with the frames drawn through the game
// view and the compositor on the software renderer and the peak memory it needed. Frames are
// drawn only when the picture changes, so the still game-over screen adds few.

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "app/main/GameProgram.h"
#include "app/main/ProgramOptions.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/runtime/Timer.h"

namespace {

double peakRssMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// One turn of 1/60 s with the timers a game keeps running: the 33 Hz loop and the 50 Hz
// accelerometer, each doing nothing, and one posted task.
void BM_MainLoopFrameOverhead(benchmark::State& state) {
    platform::MainLoopTestScope scope;
    long fired = 0;
    auto tick = platform::Timer::schedule(0.03, true, [&] { ++fired; });
    auto tilt = platform::Timer::schedule(0.02, true, [&] { ++fired; });
    for (auto _ : state) {
        scope.loop().post([&] { ++fired; });
        scope.advance(1.0 / 60.0);
    }
    tick->invalidate();
    tilt->invalidate();
    benchmark::DoNotOptimize(fired);
    state.counters["firings_per_frame"] =
        benchmark::Counter(double(fired) / double(state.iterations()));
}
BENCHMARK(BM_MainLoopFrameOverhead);

void BM_HeadlessRunOf60sGameThenGameOver(benchmark::State& state) {
    auto home = std::filesystem::temp_directory_path() / "movuroute-bench-home";
    std::filesystem::remove_all(home);
    app::ProgramOptions options;
    options.headless = true;
    options.seed = 1;
    options.startLevel = 1;
    options.tilt = "sine";
    options.seconds = 60;
    options.home = home.string();
    app::GameProgram::Stats stats;
    for (auto _ : state) {
        app::GameProgram program(options);
        if (program.run() != 0) state.SkipWithError("the program did not start");
        stats = program.stats();
    }
    std::filesystem::remove_all(home);
    state.counters["frames"] = double(stats.frames);
    state.counters["ticks"] = double(stats.ticks);
    state.counters["game_seconds"] = double(stats.ticks) * app::GameProgram::kNominalTickSeconds;
    state.counters["steps"] = double(stats.steps);
    state.counters["ms_per_frame"] =
        stats.frames ? 1000.0 * stats.loopSeconds / double(stats.frames) : 0;
    state.counters["peak_rss_MB"] = peakRssMegabytes();
}
BENCHMARK(BM_HeadlessRunOf60sGameThenGameOver)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
