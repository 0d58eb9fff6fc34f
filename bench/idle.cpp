// What the program costs while its screen stands still: the game-over screen after a short
// game, in a window (needs a display: run under `xvfb-run -a`) and headless in real time. The
// program runs as a child process as a player would start it; after its game has ended the
// benchmark reads, over a stretch of wall time, the CPU time of the program and of the
// processes it started (web pages run in their own), and how often its main thread went to
// sleep and woke again. A still screen should cost next to nothing: the goal is at most 2% of
// a core, with no frame drawn while nothing changes.
//
// MOVU_IDLE_PROGRAM names another movuroute binary to measure (an older build, to compare);
// MOVU_IDLE_SECONDS the length of the measured stretch (default 10). The services the game
// reaches point at a port that refuses at once (no ads, no announcements) unless
// MOVUROUTE_WEB_URL and MOVUROUTE_AD_SERVER name others: the local stand-ins that
// scripts/play --fixtures starts, for the cost of a still screen with an ad on it.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/testing/TempDir.h"

namespace fs = std::filesystem;

namespace {

// The game with this seed and tilt is over well before this (about 10 s of play): the
// measured stretch starts after it.
constexpr double kGameOverAfterSeconds = 15;

std::string program() {
    const char* other = std::getenv("MOVU_IDLE_PROGRAM");
    return other && *other ? other : std::string(MOVU_BINARY_DIR) + "/app/main/movuroute";
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

std::vector<std::string> fields(const std::string& statLine) {
    // The command name in parentheses may hold spaces: fields count from after it.
    std::vector<std::string> out;
    auto close = statLine.rfind(')');
    if (close == std::string::npos) return out;
    std::istringstream in(statLine.substr(close + 2));
    for (std::string f; in >> f;) out.push_back(f);
    return out;
}

std::string readLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// CPU seconds of the process and of all it started, still running.
double treeCpuSeconds(pid_t root) {
    const double tick = double(sysconf(_SC_CLK_TCK));
    double total = 0;
    std::vector<pid_t> tree{root};
    for (std::size_t i = 0; i < tree.size(); ++i) {
        for (const auto& entry : fs::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            auto f = fields(readLine(entry.path() / "stat"));
            // Counted from the state: the parent is the second field, utime and stime the 12th
            // and 13th (the 14th and 15th of the whole line).
            if (f.size() > 12 && std::stol(f[1]) == tree[i]) tree.push_back(std::stoi(name));
        }
    }
    for (pid_t pid : tree) {
        auto f = fields(readLine(fs::path("/proc") / std::to_string(pid) / "stat"));
        if (f.size() > 12) total += (std::stod(f[11]) + std::stod(f[12])) / tick;
    }
    return total;
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

void measureIdle(benchmark::State& state, bool headless) {
    if (!headless && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        state.SkipWithError("no display for a window: run under xvfb-run -a");
        return;
    }
    const double seconds = measuredSeconds();
    for (auto _ : state) {
        const platform::testing::TempDir home;
        const std::string total = std::to_string(int(kGameOverAfterSeconds + seconds + 5));
        std::vector<std::string> args{
            program(),   "--seed", "1",      "--start-level",     "1", "--tilt", "const:0.9",
            "--seconds", total,    "--home", home.path().string()};
        if (headless) {
            args.push_back("--headless");
            args.push_back("--real-time");
        }
        pid_t child = fork();
        if (child == 0) {
            setenv("MOVUROUTE_WEB_URL", "http://127.0.0.1:9", 0);
            setenv("MOVUROUTE_AD_SERVER", "http://127.0.0.1:9", 0);
            setenv("SDL_AUDIODRIVER", "dummy", 0);
            setenv("ALSOFT_DRIVERS", "null", 0);
            // Its log is not the benchmark's output.
            freopen("/dev/null", "w", stdout);
            freopen("/dev/null", "w", stderr);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        std::this_thread::sleep_for(std::chrono::duration<double>(kGameOverAfterSeconds));
        const double cpu0 = treeCpuSeconds(child), wall0 = wallNow();
        const long sleeps0 = mainThreadSleeps(child);
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const double cpu1 = treeCpuSeconds(child), wall1 = wallNow();
        const long sleeps1 = mainThreadSleeps(child);
        kill(child, SIGTERM);
        int status = 0;
        waitpid(child, &status, 0);
        if (cpu0 <= 0) {
            state.SkipWithError("the program did not run");
            return;
        }
        const double wall = wall1 - wall0;
        state.counters["cpu_share_of_a_core"] = (cpu1 - cpu0) / wall;
        state.counters["main_thread_wakeups_per_s"] = double(sleeps1 - sleeps0) / wall;
    }
}

void BM_IdleGameOverInAWindow(benchmark::State& state) {
    measureIdle(state, false);
}
BENCHMARK(BM_IdleGameOverInAWindow)->Iterations(1)->Unit(benchmark::kSecond);

void BM_IdleGameOverHeadlessRealTime(benchmark::State& state) {
    measureIdle(state, true);
}
BENCHMARK(BM_IdleGameOverHeadlessRealTime)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
