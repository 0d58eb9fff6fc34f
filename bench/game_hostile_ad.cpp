// What a page that asks for everything it is refused costs the game, measured on the game as a
// player starts it: the program in a window with this machine's stand-ins (the ad server and
// the announcement service, as bench_idle starts them), one short game (the seed and tilt of
// bench_idle, over after about 10 s), then the game-over screen with its banner and its
// interstitial, and from 21 s on 1,000 taps on the interstitial, below its offer and away from
// its close buttons (one every second step of the game, 60 s).
//
//   BM_GameTappedAdRefusals: every ad the server gives is its refusal-flood creative (20,000
//     print()s, 1,000 downloads: 90 attachment frames with the page and 910 <a download> links
//     clicked by script, a file chooser at each tap), against the same run with the server's
//     plain creatives. Reports the game process's CPU time in each run, from its start to a
//     second before it ends (cpu_quiet_s, cpu_refusing_s) and their ratio (target: at most
//     1.5); the same for the game and every process it started (all_*); and the lines the
//     pages' refusals put in the game's log (target: at most each page's budget and the one
//     line that says the rest are dropped; two pages here).
//
// The desktop opener is a stand-in that opens nothing, should a tap reach the advertiser's
// link. Needs a display: run it under `xvfb-run -a`. MOVU_HOSTILE_AD_PROGRAM names another
// movuroute binary to measure.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/GameProcess.h"
#include "platform/testing/TempDir.h"
#include "platform/web/WebView.h"

namespace {

namespace fs = std::filesystem;

constexpr double kStepSeconds = 0.03;
// The interstitial is up by 20 s (bench_idle); taps from the step after 21 s.
constexpr int kFirstTapStep = 700;
constexpr int kTaps = 1000;
// A tap is down for one step and lifted at the next.
constexpr int kStepsPerTap = 2;
constexpr double kRunSeconds = (kFirstTapStep + kTaps * kStepsPerTap) * kStepSeconds + 3;

struct GameRun {
    double gameCpuSeconds = 0;
    double allCpuSeconds = 0;
    long pageLines = 0;
    bool dropped = false;
};

std::optional<GameRun> runGame(const std::string& adSpec, std::string* error) {
    const platform::testing::TempDir home;
    const std::string program = bench::gameProgram("MOVU_HOSTILE_AD_PROGRAM");
    const bench::StandIns standIns(program, {"--default", adSpec});
    if (!standIns.running()) {
        *error = "the ad server or the announcement service did not start";
        return std::nullopt;
    }
    // An opener that opens nothing, first on the path.
    const fs::path stubs = home.path() / "bin";
    fs::create_directories(stubs);
    {
        std::ofstream opener(stubs / "xdg-open");
        opener << "#!/bin/sh\nexit 0\n";
    }
    fs::permissions(stubs / "xdg-open", fs::perms::owner_all);
    const char* path = std::getenv("PATH");

    std::vector<std::string> args =
        bench::shortGameArguments(program, int(kRunSeconds), home.path() / "home");
    for (int tap = 0; tap < kTaps; ++tap) {
        args.push_back("--tap-at");
        args.push_back(std::to_string(kFirstTapStep + tap * kStepsPerTap) + ":160,440");
    }
    const fs::path log = home.path() / "game.log";
    const auto started = std::chrono::steady_clock::now();
    auto environment = bench::gameEnvironment(standIns.ads.url(), standIns.announcements.url());
    environment.emplace_back("PATH", stubs.string() + ":" + (path ? path : "/usr/bin:/bin"));
    const pid_t child = bench::spawn(args, log, environment);
    // Read a second before the game ends on its own: a process's clock is gone with it.
    std::this_thread::sleep_until(started + std::chrono::duration<double>(kRunSeconds - 1));
    GameRun run;
    for (const auto& process : bench::tree(child)) {
        const double seconds = double(bench::runNanoseconds(process.pid)) / 1e9;
        if (process.pid == child) run.gameCpuSeconds = seconds;
        run.allCpuSeconds += seconds;
    }
    bench::stop(child);
    if (run.gameCpuSeconds == 0) {
        *error = "the game did not run to the end";
        return std::nullopt;
    }
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("WebView: ", 0) != 0 || line.rfind("WebView: web process", 0) == 0) continue;
        ++run.pageLines;
        if (line == platform::web::WebView::kPageLogDroppedLine) run.dropped = true;
    }
    return run;
}

void BM_GameTappedAdRefusals(benchmark::State& state) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        state.SkipWithError("no display for the window and the ads' pages: run under xvfb-run -a");
        return;
    }
    for (auto _ : state) {
        std::string error;
        const auto quiet = runGame("banner", &error);
        const auto refusing = quiet ? runGame("banner,hostile=refusal-flood", &error) : quiet;
        if (!quiet || !refusing) {
            state.SkipWithError(error.c_str());
            return;
        }
        state.counters["cpu_quiet_s"] = quiet->gameCpuSeconds;
        state.counters["cpu_refusing_s"] = refusing->gameCpuSeconds;
        state.counters["cpu_ratio"] = refusing->gameCpuSeconds / quiet->gameCpuSeconds;
        state.counters["all_cpu_quiet_s"] = quiet->allCpuSeconds;
        state.counters["all_cpu_refusing_s"] = refusing->allCpuSeconds;
        state.counters["all_cpu_ratio"] = refusing->allCpuSeconds / quiet->allCpuSeconds;
        state.counters["page_lines"] = double(refusing->pageLines);
        state.counters["dropped_line"] = refusing->dropped ? 1 : 0;
    }
}
BENCHMARK(BM_GameTappedAdRefusals)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
