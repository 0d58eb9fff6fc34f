// Start-up of the movuroute program in a window (run under a display:
// xvfb-run -a build/release/bench/bench_startup): the time from exec to the first frame, and
// the longest interval between frames in the first second, without ads (the ad server at the
// discard port) and with the ads' settings (the announcement fixture and our loopback ad
// server, after one run that stored the settings), each the median of several runs; and the
// time `--help` takes from exec to exit. Targets: the first frame within 80 ms without ads and
// 100 ms with them, no frame interval over 50 ms in the first second.
//
// The program writes the steady-clock time of each frame of its first two seconds to
// $MOVUROUTE_FRAME_LOG; steady_clock is the same clock in every process of the machine.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/runtime/MainLoop.h"
#include "platform/testing/ChildServer.h"
#include "tools/ad_server/AdServer.h"

namespace fs = std::filesystem;

namespace {

const std::string kProgram = std::string(MOVU_BINARY_DIR) + "/app/main/movuroute";
const std::string kAnnounceFixture =
    std::string(MOVU_SOURCE_DIR) + "/tools/announce_fixture/serve.py";
constexpr int kRuns = 7;

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs the program with the arguments and extra environment; answers when exec happened (by
// this process's steady clock) and how the child ended.
struct Run {
    double execAt = 0;
    double endedAt = 0;
    int status = -1;
};

// The program's own output goes to `output` (or nowhere), so a failed run can say why.
Run runProgram(const std::vector<std::string>& args, const std::vector<std::string>& env,
               const fs::path& output = "/dev/null") {
    Run run;
    run.execAt = now();
    pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& e : env) ::putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> argv{const_cast<char*>(kProgram.c_str())};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        int sink = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(sink, 1);
        ::dup2(sink, 2);
        ::execv(kProgram.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.endedAt = now();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

struct StartUp {
    double firstFrameMs = 0;
    double longestIntervalMs = 0;
    int frames = 0;
};

StartUp startUp(const fs::path& home, const std::vector<std::string>& env) {
    const fs::path log = home / "frames.txt";
    const fs::path output = home / "output.txt";
    // The log of an earlier run must not pass for this one's: a run that ends before its
    // first frame writes none.
    std::error_code ec;
    fs::create_directories(home, ec);
    fs::remove(log, ec);
    std::vector<std::string> all = env;
    all.push_back("MOVUROUTE_FRAME_LOG=" + log.string());
    Run run = runProgram({"--seconds", "1.5", "--home", home.string()}, all, output);
    StartUp result;
    std::ifstream in(log);
    std::vector<double> frames;
    for (double t; in >> t;) frames.push_back(t);
    if (run.status != 0 || frames.empty()) {
        std::fprintf(stderr, "a run ended with status %d after %zu frames; it said:\n", run.status,
                     frames.size());
        std::ifstream said(output);
        for (std::string line; std::getline(said, line);)
            std::fprintf(stderr, "  %s\n", line.c_str());
        return result;
    }
    result.frames = static_cast<int>(frames.size());
    result.firstFrameMs = (frames.front() - run.execAt) * 1000;
    for (std::size_t i = 1; i < frames.size() && frames[i] - frames.front() <= 1.0; ++i)
        result.longestIntervalMs =
            std::max(result.longestIntervalMs, (frames[i] - frames[i - 1]) * 1000);
    return result;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void report(const char* name, const fs::path& home, const std::vector<std::string>& env) {
    std::vector<double> first, longest;
    double worst = 0;
    for (int i = 0; i < kRuns; ++i) {
        StartUp s = startUp(home, env);
        if (s.frames == 0) {
            std::printf("%-22s a run failed or drew nothing\n", name);
            return;
        }
        first.push_back(s.firstFrameMs);
        longest.push_back(s.longestIntervalMs);
        worst = std::max(worst, s.longestIntervalMs);
    }
    std::printf(
        "%-22s first frame %6.1f ms (median of %d, min %.1f)  longest interval in the first "
        "second %5.1f ms (median; worst %.1f)\n",
        name, median(first), kRuns, *std::min_element(first.begin(), first.end()), median(longest),
        worst);
}

}  // namespace

int main() {
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "bench_startup needs a display: run it under xvfb-run -a\n");
        return 1;
    }
    const fs::path dir =
        fs::temp_directory_path() / ("movu-bench-startup-" + std::to_string(getpid()));
    fs::create_directories(dir);

    std::vector<double> help;
    for (int i = 0; i < kRuns; ++i) {
        Run run = runProgram({"--help"}, {});
        help.push_back((run.endedAt - run.execAt) * 1000);
    }
    std::printf("%-22s exec to exit %6.1f ms (median of %d)\n", "--help", median(help), kRuns);

    report("without ads", dir / "plain",
           {"MOVUROUTE_AD_SERVER=http://127.0.0.1:9", "MOVUROUTE_WEB_URL=http://127.0.0.1:9"});

    // The server's threads wake the main loop of the thread that made it.
    platform::MainLoop::main().claim();
    tools::adserver::AdServer ads(0);
    ads.setScenario("ca-movu-banner", tools::adserver::AdScenario::banner());
    // The announcement fixture binds a port of the system's choosing and names it.
    platform::testing::ChildServer announce({"python3", "-u", kAnnounceFixture, "--port", "0",
                                             "--serial", "0", "--durez-enable", "1",
                                             "--context-flag", "0"});
    std::vector<std::string> adsEnv{"MOVUROUTE_AD_SERVER=" + ads.origin(),
                                    "MOVUROUTE_WEB_URL=" + announce.url()};
    // The first run fetches the ads' settings and stores them; later runs start with them.
    startUp(dir / "ads", adsEnv);
    report("with ads settings", dir / "ads", adsEnv);
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
