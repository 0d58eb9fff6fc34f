// What a page's video costs the game, measured on the game as a player starts it: the program
// in a window with this machine's stand-ins (the ad server and the announcement service, as
// bench_idle starts them), one short game (over after about 4 s), then the game-over screen.
// The game preloads its interstitial as it starts (about 1.5 s in), nobody touches it, it is
// shown at the game over and closed at 24 s by a tap on our close button; the game then
// preloads the next one.
//
//   BM_GameVideoInterstitial/fast_large: the interstitial is the ad server's video-loop
//     creative, whose page asks the game's video player at once for a WebM of 4,096 x 4,096 at
//     60 frames a second (tools/media_clips' fast-large.webm, served with --media-clip) and
//     plays it in a loop; against the same run with the server's plain interstitial. Reports,
//     for each run, the game process's CPU time per second of wall time (cores) while the ad
//     was loaded and not yet shown and while it was shown, and its resident size as the ad
//     loaded, the most while it was not shown, and after the close (the median of the samples
//     from 2 s after the close tap to a second before the end); and the video run's figures
//     over the plain run's. Targets: until shown, at most 0.2 core and 50 MB more than the
//     plain run; after the close, within 50 MB of the resident size as the ad loaded.
//   BM_GameVideoInterstitial/full_hd: the same with a second of 1,920 x 1,080 at 30 frames a
//     second, the most an ad's video may cost, which plays while the ad is shown: what it
//     costs then, and whether the game gives its memory back after the close (the same
//     targets).

// CPU time is read from the game's CPU clock, resident size from its smaps, every 0.1 s; the
// moments from the lines the game writes with MOVUROUTE_LOG_DETAIL=1 as it receives and shows
// its interstitial. Needs a display: run it under `xvfb-run -a`. MOVU_VIDEO_AD_PROGRAM names
// another movuroute binary to measure.

#include <algorithm>
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
#include "bench/ProcessMemory.h"
#include "platform/testing/TempDir.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRunSeconds = 34;
// A tick of the game is 0.03 s: the close tap comes at 24 s.
constexpr int kCloseTick = 800;
constexpr double kCloseSeconds = kCloseTick * 0.03;

struct Sample {
    double at = 0;  // seconds since the game started
    double cpuSeconds = 0;
    double residentMB = 0;
    std::size_t received = 0;  // interstitials received so far
    bool shown = false;
};

struct GameRun {
    double unshownCores = 0;
    double shownCores = 0;
    double residentAtLoadMB = 0;
    double mostUnshownMB = 0;
    double afterCloseMB = 0;
};

std::size_t linesWith(const fs::path& log, const std::string& text) {
    std::ifstream in(log);
    std::size_t n = 0;
    for (std::string line; std::getline(in, line);) n += line.find(text) != std::string::npos;
    return n;
}

// The CPU time between the two moments, per second.
double cores(const std::vector<Sample>& samples, double from, double to) {
    const Sample* first = nullptr;
    const Sample* last = nullptr;
    for (const auto& s : samples) {
        if (s.at >= from && !first) first = &s;
        if (s.at <= to) last = &s;
    }
    if (!first || !last || last->at <= first->at) return 0;
    return (last->cpuSeconds - first->cpuSeconds) / (last->at - first->at);
}

// The game with this interstitial, the ad server playing this clip of tools/media_clips.
std::optional<GameRun> runGame(const std::string& interstitial, const std::string& clip,
                               std::string* error) {
    const platform::testing::TempDir home;
    const std::string program = bench::gameProgram("MOVU_VIDEO_AD_PROGRAM");
    const bench::StandIns standIns(
        program, {"--quiet", "--media-clip", std::string(MOVU_BINARY_DIR) + "/media_clips/" + clip,
                  "--scenario", "ca-movu-ist=" + interstitial});
    if (!standIns.running()) {
        *error = "the ad server or the announcement service did not start";
        return std::nullopt;
    }
    const fs::path log = home.path() / "game.log";
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = bench::spawnShortGameClosingAt(program, standIns, kRunSeconds, kCloseTick,
                                                       home.path() / "home", log);
    std::vector<Sample> samples;
    for (;;) {
        const double at =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        // A second before the game ends on its own: a process's clock is gone with it.
        if (at > kRunSeconds - 1) break;
        samples.push_back({at, double(bench::runNanoseconds(child)) / 1e9,
                           bench::processMemory(child).rssMB, linesWith(log, "istAd: DidReceiveAd"),
                           linesWith(log, "istAd: after show") > 0});
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    bench::stop(child);

    const auto loaded = std::find_if(samples.begin(), samples.end(),
                                     [](const Sample& s) { return s.received > 0; });
    const auto shown =
        std::find_if(samples.begin(), samples.end(), [](const Sample& s) { return s.shown; });
    if (loaded == samples.end() || shown == samples.end() || shown->at > kCloseSeconds - 2) {
        *error = "the interstitial was not received and shown in time";
        return std::nullopt;
    }
    // Closed, the next one is asked for and received.
    if (samples.back().received < 2) {
        *error = "the interstitial was not closed";
        return std::nullopt;
    }
    GameRun run;
    run.unshownCores = cores(samples, loaded->at, shown->at);
    run.shownCores = cores(samples, shown->at + 1, kCloseSeconds);
    run.residentAtLoadMB = (loaded == samples.begin() ? loaded : loaded - 1)->residentMB;
    for (auto s = loaded; s != shown; ++s)
        run.mostUnshownMB = std::max(run.mostUnshownMB, s->residentMB);
    std::vector<double> after;
    for (const auto& s : samples) {
        if (s.at >= kCloseSeconds + 2) after.push_back(s.residentMB);
    }
    if (after.empty()) {
        *error = "no samples after the close";
        return std::nullopt;
    }
    std::nth_element(after.begin(), after.begin() + long(after.size() / 2), after.end());
    run.afterCloseMB = after[after.size() / 2];
    return run;
}

void report(benchmark::State& state, const std::string& name, const GameRun& run) {
    state.counters[name + "_unshown_cores"] = run.unshownCores;
    state.counters[name + "_shown_cores"] = run.shownCores;
    state.counters[name + "_rss_at_load_MB"] = run.residentAtLoadMB;
    state.counters[name + "_rss_unshown_most_MB"] = run.mostUnshownMB;
    state.counters[name + "_rss_after_close_MB"] = run.afterCloseMB;
}

void BM_GameVideoInterstitial(benchmark::State& state, const char* clip) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        state.SkipWithError("no display for the window and the ads' pages: run under xvfb-run -a");
        return;
    }
    for (auto _ : state) {
        std::string error;
        const auto plain = runGame("interstitial", clip, &error);
        const auto video = plain ? runGame("interstitial,hostile=video-loop", clip, &error) : plain;
        if (!plain || !video) {
            state.SkipWithError(error.c_str());
            return;
        }
        report(state, "plain", *plain);
        report(state, "video", *video);
        state.counters["unshown_extra_cores"] = video->unshownCores - plain->unshownCores;
        state.counters["unshown_extra_MB"] = video->mostUnshownMB - plain->mostUnshownMB;
        state.counters["after_close_over_load_MB"] = video->afterCloseMB - video->residentAtLoadMB;
    }
}
BENCHMARK_CAPTURE(BM_GameVideoInterstitial, fast_large, "fast-large.webm")
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_GameVideoInterstitial, full_hd, "full-hd.webm")
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
