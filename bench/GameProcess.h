#pragma once

// The game as a player starts it, as a child process of a benchmark, and the processes it
// starts (WebKit's web and network processes): what each is and how long it has run. For the
// benchmarks that measure the whole program (bench_idle, bench_game_hostile_ad) only.
//
// Needs MOVU_BINARY_DIR and MOVU_SOURCE_DIR defined by the benchmark's build.

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/testing/ChildServer.h"

namespace bench {

namespace fs = std::filesystem;

// The game binary to measure: the one named by the environment variable `override` (an older
// build, to compare), else this build's.
inline std::string gameProgram(const char* override) {
    const char* other = std::getenv(override);
    return other && *other ? other : std::string(MOVU_BINARY_DIR) + "/app/main/movuroute";
}

// The ad server of the measured program's build (build/app/main/movuroute beside
// build/tools/ad_server), else this one's.
inline std::string adServerBeside(const std::string& program) {
    std::error_code error;
    const fs::path beside = fs::path(program).parent_path().parent_path().parent_path() /
                            "tools/ad_server" / "movu_ad_server";
    if (fs::exists(beside, error)) return beside.string();
    return std::string(MOVU_BINARY_DIR) + "/tools/ad_server/movu_ad_server";
}

// This machine's stand-ins for the services the game reaches, as scripts/play --fixtures starts
// them, on ports of their choosing for as long as it lives: the ad server of the measured
// program's build (with `adServerOptions`) and the announcement service (no pop-up).
struct StandIns {
    StandIns(const std::string& program, const std::vector<std::string>& adServerOptions = {})
        : ads([&] {
              std::vector<std::string> argv{adServerBeside(program), "--port", "0"};
              argv.insert(argv.end(), adServerOptions.begin(), adServerOptions.end());
              return argv;
          }()),
          announcements({"python3", "-u",
                         std::string(MOVU_SOURCE_DIR) + "/tools/announce_fixture/serve.py",
                         "--port", "0", "--serial", "0"}) {}

    bool running() const { return ads.running() && announcements.running(); }

    platform::testing::ChildServer ads;
    platform::testing::ChildServer announcements;
};

// The arguments of a short game: with this seed and tilt it is over well within 15 s, and the
// program then stays on the game-over screen until `seconds` have passed.
inline std::vector<std::string> shortGameArguments(const std::string& program, int seconds,
                                                   const fs::path& home) {
    return {program,      "--seed",    "1",         "--start-level",         "1",
            "--tilt",     "const:0.9", "--seconds", std::to_string(seconds), "--home",
            home.string()};
}

// The game's environment: the services at these addresses (a port that refuses at once for
// none), and no sound device.
inline std::vector<std::pair<std::string, std::string>> gameEnvironment(
    const std::string& adServerUrl, const std::string& webUrl) {
    return {{"MOVUROUTE_WEB_URL", webUrl},
            {"MOVUROUTE_AD_SERVER", adServerUrl},
            {"SDL_AUDIODRIVER", "dummy"},
            {"ALSOFT_DRIVERS", "null"}};
}

inline std::string readLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The parent and the name of a process, from its stat line (the name may hold spaces and
// brackets: it is what stands between the first "(" and the last ")").
inline std::optional<std::pair<pid_t, std::string>> parentAndName(pid_t pid) {
    const std::string line = readLine(fs::path("/proc") / std::to_string(pid) / "stat");
    const auto open = line.find('(');
    const auto close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close + 4 > line.size()) {
        return std::nullopt;
    }
    std::istringstream rest(line.substr(close + 2));
    char state = 0;
    long parent = 0;
    if (!(rest >> state >> parent)) return std::nullopt;
    return std::make_pair(pid_t(parent), line.substr(open + 1, close - open - 1));
}

struct Process {
    pid_t pid = 0;
    std::string name;
};

// The process and everything it started that still runs, the root first, each level in order
// of start (pids grow).
inline std::vector<Process> tree(pid_t root) {
    std::vector<Process> all{{root, parentAndName(root) ? parentAndName(root)->second : ""}};
    std::vector<pid_t> pids;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos) {
            pids.push_back(std::stoi(name));
        }
    }
    std::sort(pids.begin(), pids.end());
    for (std::size_t i = 0; i < all.size(); ++i) {
        for (pid_t pid : pids) {
            const auto stat = parentAndName(pid);
            if (stat && stat->first == all[i].pid) all.push_back({pid, stat->second});
        }
    }
    return all;
}

// Nanoseconds a process has run, all its threads together (those that ended too), read from
// its CPU clock; 0 once it is gone.
inline std::uint64_t runNanoseconds(pid_t pid) {
    clockid_t clock;
    timespec used{};
    if (clock_getcpuclockid(pid, &clock) != 0 || clock_gettime(clock, &used) != 0) return 0;
    return std::uint64_t(used.tv_sec) * 1000000000u + std::uint64_t(used.tv_nsec);
}

// Starts the program with these arguments and environment, its output to `output`.
inline pid_t spawn(const std::vector<std::string>& args, const fs::path& output,
                   const std::vector<std::pair<std::string, std::string>>& environment = {}) {
    const pid_t child = fork();
    if (child == 0) {
        for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
        // Its log is not the benchmark's output.
        if (!std::freopen(output.c_str(), "w", stdout)) _exit(127);
        dup2(fileno(stdout), fileno(stderr));
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

// A short game (shortGameArguments) against the stand-ins, its interstitial closed with our
// close button at `closeTick` (a tick is 0.03 s), its detail lines (MOVUROUTE_LOG_DETAIL=1)
// written to `log`.
inline pid_t spawnShortGameClosingAt(const std::string& program, const StandIns& standIns,
                                     int seconds, int closeTick, const fs::path& home,
                                     const fs::path& log) {
    auto args = shortGameArguments(program, seconds, home);
    args.push_back("--tap-at");
    args.push_back(std::to_string(closeTick) + ":16,16");
    auto environment = gameEnvironment(standIns.ads.url(), standIns.announcements.url());
    environment.emplace_back("MOVUROUTE_LOG_DETAIL", "1");
    return spawn(args, log, environment);
}

inline void stop(pid_t child) {
    if (child <= 0) return;
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
}

}  // namespace bench
