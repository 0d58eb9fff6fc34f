// What a page that answers or navigates without end costs the game, measured on the game as a
// player starts it: the program in a window with this machine's stand-ins (the ad server and the
// announcement service, as bench_idle starts them), one short game (over after about 4 s), then
// the game-over screen. The game preloads its interstitial as it starts (about 1.5 s in), nobody
// touches it; it is shown at the game over and closed at 24 s by a tap on our close button.
//
//   BM_GamePageFloods/<creative>: the interstitial is the ad server's creative of that name
//     (tools/ad_server's hostile creatives), against the same run with its plain interstitial.
//     Reports, for each run, the longest turn of the game's loop once the web engine is ready
//     (its main thread at work, no frame drawn: longest_turn_s, longest_turn_quiet_s; the
//     engine's start after the first frame is no ad's), the game process's resident size at
//     its most and at the end over the plain run's (rss_most_over_quiet_mb,
//     rss_end_over_quiet_mb), and for the floods the second its page was ended (ended_at_s) and
//     whether an interstitial showed after it (shown_after_end).
//     - huge-answers, huge-answers-slowly: every game event and answer (one every 150 ms, or
//       every 4 s) returns and throws 48 and 160 MiB texts, Proxies and huge or slow
//       toStrings. Targets: no turn over 0.4 s that the plain run has not, resident size within
//       20 MB of the plain run's.
//     - fragment-flood, large-fragment-flood, history-flood: location.hash and
//       history.pushState without end from the load on. Targets: the page ended, no turn over
//       0.5 s that the plain run has not, resident size within 50 MB of the plain run's. (An
//       ad shown after the end, shown_after_end, depends on whether the end came before the
//       game took the ad as received: one game has one game over.)
//     On a machine without a GPU the first picture of the first ad's view costs the game one
//     turn of about half a second (Mesa's software renderer compiling its code for that
//     drawing), in the plain run as in the others: the plain run's longest turn says so.
//
// Resident size is read from the game's smaps every 0.1 s, the long turns from the lines the
// game writes of them with MOVUROUTE_LOG_DETAIL=1. Needs a display: run it under
// `xvfb-run -a`. MOVU_PAGE_FLOODS_PROGRAM names another movuroute binary to measure.

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

constexpr int kRunSeconds = 30;
// A tick of the game is 0.03 s: the close tap comes at 24 s.
constexpr int kCloseTick = 800;

struct GameRun {
    double longestTurnSeconds = -1;
    double mostMB = 0;
    double endMB = 0;
    double endedAt = -1;
    bool shownAfterEnd = false;
};

std::size_t linesWith(const fs::path& log, const std::string& text) {
    std::ifstream in(log);
    std::size_t n = 0;
    for (std::string line; std::getline(in, line);) n += line.find(text) != std::string::npos;
    return n;
}

// The longest turn of the game's loop once the web engine was ready, from the lines the game
// writes of its long turns: the engine's start after the first frame (a turn or two of half a
// second) is the program's, not an ad's. 0 when none was long, -1 when the game did not end
// its run.
double longestTurn(const fs::path& log) {
    std::ifstream in(log);
    const std::string mark = "a turn of the loop took ";
    double longest = -1;
    for (std::string line; std::getline(in, line);) {
        if (line.find("the longest turn of the loop took ") != std::string::npos)
            longest = std::max(longest, 0.0);
        const auto at = line.find(mark);
        if (at == std::string::npos || line.find("the web engine starting") != std::string::npos)
            continue;
        longest = std::max(longest, std::atof(line.c_str() + at + mark.size()));
    }
    return longest;
}

std::optional<GameRun> runGame(const std::string& interstitial, std::string* error) {
    const platform::testing::TempDir home;
    const std::string program = bench::gameProgram("MOVU_PAGE_FLOODS_PROGRAM");
    const bench::StandIns standIns(program,
                                   {"--quiet", "--scenario", "ca-movu-ist=" + interstitial});
    if (!standIns.running()) {
        *error = "the ad server or the announcement service did not start";
        return std::nullopt;
    }
    const fs::path log = home.path() / "game.log";
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = bench::spawnShortGameClosingAt(program, standIns, kRunSeconds, kCloseTick,
                                                       home.path() / "home", log);
    GameRun run;
    std::size_t shownAtEnd = 0;
    std::vector<double> late;
    for (;;) {
        const double at =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (at > kRunSeconds - 1) break;
        const double mb = bench::processMemory(child).rssMB;
        run.mostMB = std::max(run.mostMB, mb);
        if (at > kRunSeconds - 4) late.push_back(mb);
        if (run.endedAt < 0 && linesWith(log, "it was ended") > 0) {
            run.endedAt = at;
            shownAtEnd = linesWith(log, "istAd: after show");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // The game writes its longest turn as it ends.
    int status = 0;
    waitpid(child, &status, 0);
    run.longestTurnSeconds = longestTurn(log);
    if (run.longestTurnSeconds < 0) {
        *error = "the game did not say how long its turns took";
        return std::nullopt;
    }
    if (!late.empty()) {
        std::sort(late.begin(), late.end());
        run.endMB = late[late.size() / 2];
    }
    run.shownAfterEnd = run.endedAt >= 0 && linesWith(log, "istAd: after show") > shownAtEnd;
    return run;
}

void BM_GamePageFloods(benchmark::State& state, const std::string& creative) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        state.SkipWithError("no display for the window and the ads' pages: run under xvfb-run -a");
        return;
    }
    for (auto _ : state) {
        std::string error;
        const auto quiet = runGame("interstitial", &error);
        const auto flooded = quiet ? runGame("interstitial,hostile=" + creative, &error) : quiet;
        if (!quiet || !flooded) {
            state.SkipWithError(error.c_str());
            return;
        }
        state.counters["longest_turn_quiet_s"] = quiet->longestTurnSeconds;
        state.counters["longest_turn_s"] = flooded->longestTurnSeconds;
        state.counters["rss_most_over_quiet_mb"] = flooded->mostMB - quiet->mostMB;
        state.counters["rss_end_over_quiet_mb"] = flooded->endMB - quiet->endMB;
        state.counters["ended_at_s"] = flooded->endedAt;
        state.counters["shown_after_end"] = flooded->shownAfterEnd ? 1 : 0;
    }
}

BENCHMARK_CAPTURE(BM_GamePageFloods, huge_answers, std::string("huge-answers"))
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_GamePageFloods, huge_answers_slowly, std::string("huge-answers-slowly"))
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_GamePageFloods, fragment_flood, std::string("fragment-flood"))
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_GamePageFloods, large_fragment_flood, std::string("large-fragment-flood"))
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_GamePageFloods, history_flood, std::string("history-flood"))
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
