// What the program costs while its screen stands still: the game-over screen after a short
// game, in a window and headless in real time, without ads and with them. The program runs as a
// child process as a player would start it; after its game has ended the benchmark reads, over
// a stretch of wall time, the CPU time of the program and of every process it started (web
// pages and their network run in their own), and how often its main thread went to sleep and
// woke again. A still screen should cost next to nothing: the goal is at most 2% of a core for
// all of them together, an ad on the screen included, with no frame drawn while nothing
// changes.
//
// Without ads the services the game reaches point at a port that refuses at once. With ads the
// benchmark starts this machine's stand-ins itself, as scripts/play --fixtures does: the ad
// server (movu_ad_server, from the measured program's build when it has one) and the
// announcement service (tools/announce_fixture/serve.py --serial 0, so no pop-up); the game
// ends on the game-over screen with the interstitial it shows there over its banner, and the
// stretch starts once that has loaded. Ads are web pages and need a display, headless too: run
// it under `xvfb-run -a`. Besides the whole (cpu_share_of_a_core), each process's percentage
// of a core is a counter of its own: "movuroute%", then the engine's processes by name and in
// order of start ("WebKitWebProces.1%": the SDK core page's, which starts first).
// CPU time is read from each process's CPU clock (nanoseconds), not in clock ticks, since a
// still screen's share is a few ticks in ten seconds.
//
// MOVU_IDLE_PROGRAM names another movuroute binary to measure (an older build, to compare);
// MOVU_IDLE_SECONDS the length of the measured stretch (default 10).

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/GameProcess.h"
#include "platform/testing/TempDir.h"

namespace fs = std::filesystem;

using bench::parentAndName;
using bench::runNanoseconds;
using bench::spawn;
using bench::stop;
using bench::tree;

namespace {

// The game with this seed and tilt is over well before this (about 10 s of play): the
// measured stretch starts after it.
constexpr double kGameOverAfterSeconds = 15;
// With ads the game-over screen's interstitial loads meanwhile.
constexpr double kAdShownAfterSeconds = 20;

std::string program() {
    return bench::gameProgram("MOVU_IDLE_PROGRAM");
}

double measuredSeconds() {
    const char* s = std::getenv("MOVU_IDLE_SECONDS");
    double v = s ? std::atof(s) : 0;
    return v > 0 ? v : 10;
}

double wallNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Times the main thread gave up the processor of its own accord: each sleep and wake-up.
long mainThreadSleeps(pid_t pid) {
    std::ifstream in(fs::path("/proc") / std::to_string(pid) / "task" / std::to_string(pid) /
                     "status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
            return std::stol(line.substr(line.find(':') + 1));
    return 0;
}

void measureIdle(benchmark::State& state, bool headless, bool withAds) {
    if ((!headless || withAds) && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        state.SkipWithError("no display for a window or an ad's page: run under xvfb-run -a");
        return;
    }
    const double seconds = measuredSeconds();
    const double settle = withAds ? kAdShownAfterSeconds : kGameOverAfterSeconds;
    for (auto _ : state) {
        const platform::testing::TempDir home;
        std::optional<bench::StandIns> standIns;
        std::string adServerUrl = "http://127.0.0.1:9", webUrl = "http://127.0.0.1:9";
        if (withAds) {
            standIns.emplace(program());
            if (!standIns->running()) {
                state.SkipWithError("the ad server or the announcement service did not start");
                return;
            }
            adServerUrl = standIns->ads.url();
            webUrl = standIns->announcements.url();
        }
        std::vector<std::string> args =
            bench::shortGameArguments(program(), int(settle + seconds + 5), home.path() / "home");
        if (headless) {
            args.push_back("--headless");
            args.push_back("--real-time");
        }
        const pid_t child =
            spawn(args, home.path() / "game.log", bench::gameEnvironment(adServerUrl, webUrl));
        std::this_thread::sleep_for(std::chrono::duration<double>(settle));
        const auto processes = tree(child);
        std::vector<std::uint64_t> before;
        for (const auto& p : processes) before.push_back(runNanoseconds(p.pid));
        const double wall0 = wallNow();
        const long sleeps0 = mainThreadSleeps(child);
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        std::vector<std::uint64_t> after;
        for (const auto& p : processes) after.push_back(runNanoseconds(p.pid));
        const double wall = wallNow() - wall0;
        const long sleeps1 = mainThreadSleeps(child);
        const bool stillThere = parentAndName(child).has_value();
        stop(child);
        if (!stillThere || after.empty() || after[0] == 0) {
            state.SkipWithError("the program did not run through the measured stretch");
            return;
        }
        double share = 0;
        std::map<std::string, int> seen;
        for (std::size_t i = 0; i < processes.size(); ++i) {
            // A process that ended meanwhile counts nothing of the stretch.
            const double used = after[i] >= before[i] ? double(after[i] - before[i]) / 1e9 : 0;
            share += used / wall;
            std::string name = processes[i].name;
            if (i > 0) name += "." + std::to_string(++seen[name]);
            state.counters[name + "%"] = 100 * used / wall;
        }
        state.counters["cpu_share_of_a_core"] = share;
        state.counters["main_thread_wakeups_per_s"] = double(sleeps1 - sleeps0) / wall;
    }
}

void BM_IdleGameOverInAWindow(benchmark::State& state) {
    measureIdle(state, false, false);
}
BENCHMARK(BM_IdleGameOverInAWindow)->Iterations(1)->Unit(benchmark::kSecond);

void BM_IdleGameOverHeadlessRealTime(benchmark::State& state) {
    measureIdle(state, true, false);
}
BENCHMARK(BM_IdleGameOverHeadlessRealTime)->Iterations(1)->Unit(benchmark::kSecond);

void BM_IdleGameOverWithAnAdInAWindow(benchmark::State& state) {
    measureIdle(state, false, true);
}
BENCHMARK(BM_IdleGameOverWithAnAdInAWindow)->Iterations(1)->Unit(benchmark::kSecond);

void BM_IdleGameOverWithAnAdHeadlessRealTime(benchmark::State& state) {
    measureIdle(state, true, true);
}
BENCHMARK(BM_IdleGameOverWithAnAdHeadlessRealTime)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
