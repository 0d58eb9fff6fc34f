// What hostile pages cost the game's process, on real WebKit against the loopback ad server in
// this process (run under a display: xvfb-run -a build/release/bench/bench_ads_hostile_pages).
// Each benchmark runs once and reports the growth of this process's memory over the figure it
// had before the page started (private memory, Private_Clean + Private_Dirty, and RSS; their
// peaks, sampled every 20 ms from another thread) and the longest turn of the main loop
// while the page ran (the time a turn worked, without the time it slept waiting for work).
// The web processes are not counted: what a page takes there is theirs, and they are ended
// past 1024 MB.
//
//   BM_CorePageFetchFlood: the SDK core page asks native code for 200 bodies of 7 MB in one
//     turn and is answered (targets: under 100 MB of growth, no turn over 100 ms).
//   BM_AdPageLogFlood: an ad page sends 200 "log" messages of 1 kB every 10 ms for 30 s;
//     reports the lines and bytes that reached the log.
//   BM_AdPageRefusals: an ad page asks for what it is refused, untouched but for 40 taps a
//     second, 1,000 in all: the ad server's refusal-flood creative (20,000 print()s, 200 every
//     10 ms; 1,000 downloads, 90 attachments in its frames and 910 <a download> links clicked by
//     script, 2 every 50 ms; a file chooser at each tap); the same ad view with a page that asks
//     for nothing, tapped the same, is run first, 30 s each. Reports this process's CPU time (all
//     threads) in each run and their ratio (target: at most 1.5), and the lines the refusals put in
//     the log (target: at most the page's budget and the one line that says the rest are dropped).
//   BM_AdPageFrames: an ad page adds 200 hidden frames every 10 ms, of about:blank or each a page
//     message no handler knows, for 12 s; the same ad view with a page that runs the same timer
//     and makes nothing is run first. Reports this process's CPU time (all threads, and the
//     main thread) from the load on and from the load's second second on, and their ratios to
//     the quiet page's (target: at most 1.5 from the second second on; from the load on, the
//     flood's cost until the view ends the page, a fraction of a second once per ad), the page
//     messages that reached the handlers and whether the page was ended.
//   BM_AdPageMessages: an ad page nobody touches sends page messages for as long as it lives,
//     through hidden frames as mraid.js does (tools/ad_server's creatives): "canOpenURLs" with
//     20,000 texts, 40 a second (openable_flood); "log" messages of 20 MB, five a second
//     (huge_messages), or the same through a frame's own location, which no script of ours
//     guards (huge_messages_by_location). The same ad view with a quiet page is run first.
//     Reports this process's CPU time over 20 s from the load's second second on, and the cores
//     that is over the quiet page's (target: at most 0.1), its resident memory over its figure
//     before the page, at the most and at the end (target: within 20 MB of the quiet page's),
//     the lines the page caused, and the messages it sent and the answers it heard.
//   BM_HugeVideo: the player (GStreamer, as the game installs it) is given a 3 MB WebM of two
//     VP8 frames of 16,000 x 16,000 (tools/media_clips) and plays it until it fails or ends
//     (target: under 100 MB of growth); reports whether it failed. Also the same frames in a
//     container that says 320 x 240, and two JPEG frames of 4,200 x 4,200 in one that says so.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "ads/foundation/GADLog.h"
#include "ads/fullscreen/GADDefaultGMSGHandler.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADAdViewDelegate.h"
#include "ads/web/GADSDKCoreController.h"
#include "bench/ProcessMemory.h"
#include "bench/SDKCoreBench.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/services/MediaPlayer.h"
#include "platform/services/gst/GstMediaPlayerBackend.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/ui/Window.h"
#include "platform/web/WebView.h"
#include "tools/ad_server/AdResponses.h"
#include "tools/ad_server/AdServer.h"
#include "tools/ad_server/HostileCreatives.h"

namespace {

using Clock = std::chrono::steady_clock;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

constexpr const char* kFloodUnit = "ca-movu-flood";
constexpr int kFloodFetches = 200;
constexpr std::size_t kFloodBytes = 7'000'000;

// The shared loopback server, with the flood's unit set once.
tools::adserver::AdServer& server() {
    static auto& server = []() -> auto& {
        auto& s = bench::loopbackAdServer();
        s.setScenario(kFloodUnit, AdScenario::fetchFlood(kFloodFetches, kFloodBytes));
        return s;
    }
    ();
    return server;
}

// The peaks of this process's memory while it is alive.
class MemorySampler {
  public:
    MemorySampler() : base_(bench::processMemory(::getpid())) {
        peak_ = base_;
        thread_ = std::thread([this] {
            std::unique_lock lock(mutex_);
            while (!stop_) {
                lock.unlock();
                const auto now = bench::processMemory(::getpid());
                lock.lock();
                peak_.privateMB = std::max(peak_.privateMB, now.privateMB);
                peak_.rssMB = std::max(peak_.rssMB, now.rssMB);
                changed_.wait_for(lock, std::chrono::milliseconds(20), [this] { return stop_; });
            }
        });
    }
    ~MemorySampler() { stop(); }
    void stop() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }
    double privateGrowthMB() {
        std::lock_guard lock(mutex_);
        return peak_.privateMB - base_.privateMB;
    }
    double rssGrowthMB() {
        std::lock_guard lock(mutex_);
        return peak_.rssMB - base_.rssMB;
    }

  private:
    bench::ProcessMemory base_;
    bench::ProcessMemory peak_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    std::thread thread_;
};

// Turns the main loop and times what each turn works: the loop sleeps through this sleeper,
// which counts the time it slept.
class TurnTimer {
  public:
    TurnTimer() {
        platform::MainLoop::main().setSleeper({[this](double seconds) {
                                                   const auto start = Clock::now();
                                                   std::unique_lock lock(mutex_);
                                                   changed_.wait_for(
                                                       lock, std::chrono::duration<double>(seconds),
                                                       [this] { return interrupted_; });
                                                   interrupted_ = false;
                                                   slept_ += Clock::now() - start;
                                               },
                                               [this] {
                                                   {
                                                       std::lock_guard lock(mutex_);
                                                       interrupted_ = true;
                                                   }
                                                   changed_.notify_all();
                                               }});
    }
    ~TurnTimer() { platform::MainLoop::main().setSleeper({}); }

    // Turns until `done` holds or `limit` seconds passed; answers whether it held.
    bool runUntil(const std::function<bool()>& done, double limit) {
        const auto end = Clock::now() + std::chrono::duration<double>(limit);
        while (!done()) {
            if (Clock::now() > end) return false;
            const auto start = Clock::now();
            const auto sleptBefore = slept_;
            platform::MainLoop::main().runOnce(0.05);
            const auto worked = (Clock::now() - start) - (slept_ - sleptBefore);
            longest_ = std::max(longest_, worked);
        }
        return true;
    }
    double longestMs() const { return std::chrono::duration<double, std::milli>(longest_).count(); }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool interrupted_ = false;
    // Written by the sleeper, which runs inside runOnce on this thread.
    Clock::duration slept_{};
    Clock::duration longest_{};
};

// The page's answers to the flood's fetches, as it handed them to the server.
void countFloodAnswers(int& answered, int& loaded) {
    answered = loaded = 0;
    for (const auto& call : server().log().of(RequestKind::CoreCall)) {
        if (call.event != "fetchHttpRequestCompleted") continue;
        ++answered;
        if (call.body.find(R"("success":"true")") != std::string::npos) ++loaded;
    }
}

void BM_CorePageFetchFlood(benchmark::State& state) {
    server();
    for (auto _ : state) {
        auto controller = ads::GADSDKCoreController::create();
        // The page loaded and answering first, so the figures are the flood's alone.
        auto warm = std::make_shared<bench::CoreRequester>("ca-movu-banner");
        controller->buildAdURL(warm);
        if (!platform::testing::runMainLoopUntil([&] { return warm->answers + warm->failures > 0; },
                                                 30)) {
            state.SkipWithError("the core page did not answer (no display?)");
            return;
        }
        platform::testing::runMainLoopUntil([] { return false; }, 1);
        server().log().clear();

        TurnTimer turns;
        MemorySampler memory;
        const auto start = Clock::now();
        auto flood = std::make_shared<bench::CoreRequester>(kFloodUnit);
        controller->buildAdURL(flood);
        int answered = 0, loaded = 0;
        // Every fetch answered, or 20 s without a new answer (a page whose process ended).
        int seen = -1;
        auto lastChange = Clock::now();
        turns.runUntil(
            [&] {
                countFloodAnswers(answered, loaded);
                if (answered != seen) {
                    seen = answered;
                    lastChange = Clock::now();
                }
                return answered >= kFloodFetches ||
                       Clock::now() - lastChange > std::chrono::seconds(20);
            },
            180);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        memory.stop();
        state.counters["growth_private_MB"] = memory.privateGrowthMB();
        state.counters["growth_rss_MB"] = memory.rssGrowthMB();
        state.counters["longest_turn_ms"] = turns.longestMs();
        state.counters["answered"] = answered;
        state.counters["loaded"] = loaded;
        state.counters["bodies_served"] = double(server().log().count(RequestKind::LargeBody));
        state.counters["seconds"] = seconds;
        controller.reset();
        platform::MainLoop::main().runUntilIdle();
    }
}
BENCHMARK(BM_CorePageFetchFlood)->Iterations(1)->Unit(benchmark::kMillisecond);

// An ad page that sends 200 "log" messages of 1 kB every 10 ms, each through a hidden frame as
// pages send them.
constexpr const char* kLogFloodPage = R"(<!DOCTYPE html>
<html><body><script>
  var text = encodeURIComponent(new Array(1025).join('k'));
  setInterval(function () {
    for (var i = 0; i < 200; ++i) {
      var frame = document.createElement('iframe');
      frame.style.display = 'none';
      frame.src = 'gmsg://movuroute/log?string=' + text;
      document.body.appendChild(frame);
      setTimeout(function (f) { return function () { f.remove(); }; }(frame), 100);
    }
  }, 10);
</script></body></html>)";

class LogPageDelegate : public ads::GADAdViewDelegate {
  public:
    LogPageDelegate() : GADAdViewDelegate(Private{}) {
        addGMSGHandler(ads::GADDefaultGMSGHandler::create());
    }
};

// An ad view of the given height in a phone-sized window, with a delegate that handles what ad
// pages send; the view goes when its holder does.
struct AdPageHost {
    explicit AdPageHost(double height)
        : window(platform::ui::Window::create({0, 0, 320, 480})),
          delegate(std::make_shared<LogPageDelegate>()),
          view(ads::GADAdView::create({0, 0, 320, height})) {
        window->addSubview(view);
        view->setDelegate(delegate);
    }
    std::shared_ptr<platform::ui::Window> window;
    std::shared_ptr<LogPageDelegate> delegate;
    std::shared_ptr<ads::GADAdView> view;
};

void BM_AdPageLogFlood(benchmark::State& state) {
    server();
    const double kSeconds = 30;
    for (auto _ : state) {
        platform::MainLoop::main().claim();
        AdPageHost host(50);
        auto& view = host.view;
        // The page's lines and the one that says the rest are dropped; other lines are not
        // the page's.
        std::atomic<std::size_t> lines = 0, bytes = 0;
        auto previous = platform::LogSink::setHandler([&](const std::string& line) {
            if (line.rfind("kkkkkkkk", 0) != 0 && line.find("Ad page log") == std::string::npos)
                return;
            ++lines;
            bytes += line.size() + 1;
        });
        TurnTimer turns;
        MemorySampler memory;
        view->loadHTMLString(kLogFloodPage, platform::Url::parse(server().url("/mads/gma")));
        const auto end = Clock::now() + std::chrono::duration<double>(kSeconds);
        turns.runUntil([&] { return Clock::now() > end; }, kSeconds + 5);
        // The ad goes; messages of its page still on their way go with it.
        view->removeFromSuperview();
        view.reset();
        platform::testing::runMainLoopUntil([] { return false; }, 0.5);
        ads::GADLogFlush();
        memory.stop();
        platform::LogSink::setHandler(std::move(previous));
        state.counters["lines"] = double(lines.load());
        state.counters["log_MB"] = double(bytes.load()) / 1e6;
        state.counters["longest_turn_ms"] = turns.longestMs();
        state.counters["growth_private_MB"] = memory.privateGrowthMB();
        platform::MainLoop::main().runUntilIdle();
    }
}
BENCHMARK(BM_AdPageLogFlood)->Iterations(1)->Unit(benchmark::kMillisecond);

// An ad page that adds 200 hidden frames every 10 ms, keeping at most 400 (the oldest go):
// frames of about:blank, or each a page message that no handler knows. The quiet page runs the
// same timer and makes nothing.
std::string framesPage(const std::string& target) {
    return "<!DOCTYPE html><html><body><script>var n = 0; function go() { for (var i = 0; i < "
           "200; ++i) { " +
           (target.empty() ? std::string()
                           : "var f = document.createElement('iframe'); f.style.display = 'none'; "
                             "f.src = " +
                                 target +
                                 "; document.body.appendChild(f); if "
                                 "(document.body.children.length > 400) "
                                 "document.body.removeChild(document.body.children[1]); ") +
           "n++; } setTimeout(go, 10); } go();</script></body></html>";
}

// The CPU time this process (RUSAGE_SELF), or the calling thread (RUSAGE_THREAD), has used so
// far, user and system.
double cpuSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The ad goes, and the main loop turns a second for what it leaves to go with it.
void letTheAdGo(std::shared_ptr<ads::GADAdView>& view) {
    view->removeFromSuperview();
    view.reset();
    platform::testing::runMainLoopUntil([] { return false; }, 1);
}

// The refusing page is the ad server's own refusal-flood creative, the one the log budget's
// test loads: 20,000 print()s, 1,000 downloads (attachments in its frames and <a download> links
// clicked by script, within the navigations a page may start) and a file chooser at each tap.
// The quiet page is tapped the same and asks for nothing. (WebKit keeps a timer of its own in
// the game's GLib context for every navigation a page started while another of its own was still
// being decided, until the page goes: one for the two clicks of each task here. Every turn of the
// game's main loop walks them: most of what the refusing run costs more.)
std::string refusalsPage(bool refusing) {
    tools::adserver::AdContext context;
    context.origin = server().origin();
    context.slotname = "bench";
    context.ad = 1;
    const std::string counter =
        "<script>document.addEventListener('click', function (event) {\n"
        "  if (event.isTrusted) window.taps = (window.taps || 0) + 1;\n"
        "}, true);</script>\n";
    return "<!DOCTYPE html><html><body style=\"margin: 0; height: 100%\">" + counter +
           (refusing
                ? tools::adserver::hostilePart(tools::adserver::Hostility::RefusalFlood, context)
                : "") +
           "</body></html>";
}

struct RefusalsRun {
    double cpuSeconds = 0;
    std::size_t lines = 0;
    int taps = 0;
};

RefusalsRun runRefusalsPage(bool refusing, double seconds) {
    RefusalsRun run;
    AdPageHost host(480);
    auto& view = host.view;
    // The page's lines, from its load on: what the engine refused it. (Its web process's own
    // output has a budget of its own.)
    std::atomic<std::size_t> lines = 0;
    auto previous = platform::LogSink::setHandler([&](const std::string& line) {
        if (line.rfind("WebView: ", 0) == 0 && line.rfind("WebView: web process", 0) != 0) {
            ++lines;
        }
    });
    view->loadHTMLString(refusalsPage(refusing), platform::Url::parse(server().url("/mads/gma")));
    platform::testing::runMainLoopUntil([&] { return !view->webView()->isLoading(); }, 30);
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    auto nextTap = Clock::now();
    int tapsSent = 0;
    while (Clock::now() < end) {
        if (Clock::now() >= nextTap && tapsSent < tools::adserver::kRefusalFloodChoosers) {
            ++tapsSent;
            nextTap += std::chrono::milliseconds(25);
            const platform::Point at{160, 240};
            for (auto type : {platform::web::WebMouseEvent::Type::Move,
                              platform::web::WebMouseEvent::Type::Down,
                              platform::web::WebMouseEvent::Type::Up}) {
                view->webView()->sendMouseEvent({type, at, 1});
            }
        }
        platform::MainLoop::main().runOnce(0.005);
    }
    run.cpuSeconds = cpuSeconds(RUSAGE_SELF) - cpuBefore;
    const std::string taps =
        view->webView()->stringByEvaluatingJavaScriptFromString("String(window.taps)", 5);
    run.taps = taps.empty() ? -1 : std::stoi(taps);
    platform::LogSink::setHandler(std::move(previous));
    run.lines = lines.load();
    letTheAdGo(view);
    return run;
}

struct FramesRun {
    // From the load on, and from the load's second second on (as the flood was first measured).
    double cpuSeconds = 0, mainThreadSeconds = 0;
    double laterCpuSeconds = 0, laterMainThreadSeconds = 0;
    double longestTurnMs = 0;
    // The page messages that reached the handlers; whether the view ended the page.
    int messages = 0;
    bool ended = false;
};

FramesRun runFramesPage(const std::string& target) {
    constexpr double kWarmUp = 2, kSeconds = 10;
    FramesRun run;
    AdPageHost host(50);
    auto& view = host.view;
    int messages = 0;
    auto heard = platform::NotificationCenter::defaultCenter().observe(
        "nothingKnown", nullptr, [&](const platform::Notification&) { ++messages; });
    std::atomic<bool> ended = false;
    auto previous = platform::LogSink::setHandler([&](const std::string& line) {
        if (line.find("it was ended") != std::string::npos) ended = true;
    });
    TurnTimer turns;
    const double all = cpuSeconds(RUSAGE_SELF), main = cpuSeconds(RUSAGE_THREAD);
    view->loadHTMLString(framesPage(target), platform::Url::parse(server().url("/mads/gma")));
    const auto loaded = Clock::now();
    turns.runUntil([&] { return Clock::now() > loaded + std::chrono::duration<double>(kWarmUp); },
                   kWarmUp + 5);
    const double laterAll = cpuSeconds(RUSAGE_SELF), laterMain = cpuSeconds(RUSAGE_THREAD);
    turns.runUntil(
        [&] { return Clock::now() > loaded + std::chrono::duration<double>(kWarmUp + kSeconds); },
        kSeconds + 5);
    run.cpuSeconds = cpuSeconds(RUSAGE_SELF) - all;
    run.mainThreadSeconds = cpuSeconds(RUSAGE_THREAD) - main;
    run.laterCpuSeconds = cpuSeconds(RUSAGE_SELF) - laterAll;
    run.laterMainThreadSeconds = cpuSeconds(RUSAGE_THREAD) - laterMain;
    run.longestTurnMs = turns.longestMs();
    run.messages = messages;
    run.ended = ended;
    platform::LogSink::setHandler(std::move(previous));
    letTheAdGo(view);
    return run;
}

void BM_AdPageRefusals(benchmark::State& state) {
    server();
    platform::MainLoop::main().claim();
    for (auto _ : state) {
        // The engine started, and its processes settled, before either run is timed.
        runRefusalsPage(false, 2);
        const RefusalsRun quiet = runRefusalsPage(false, 30);
        const RefusalsRun refusing = runRefusalsPage(true, 30);
        state.counters["cpu_quiet_s"] = quiet.cpuSeconds;
        state.counters["cpu_refusing_s"] = refusing.cpuSeconds;
        state.counters["cpu_ratio"] = refusing.cpuSeconds / std::max(quiet.cpuSeconds, 1e-3);
        state.counters["lines"] = double(refusing.lines);
        state.counters["taps_quiet"] = quiet.taps;
        state.counters["taps_refusing"] = refusing.taps;
        platform::MainLoop::main().runUntilIdle();
    }
}
BENCHMARK(BM_AdPageRefusals)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_AdPageFrames(benchmark::State& state, const char* target) {
    server();
    platform::MainLoop::main().claim();
    for (auto _ : state) {
        const FramesRun quiet = runFramesPage("");
        const FramesRun flood = runFramesPage(target);
        state.counters["cpu_quiet_s"] = quiet.cpuSeconds;
        state.counters["cpu_s"] = flood.cpuSeconds;
        state.counters["cpu_ratio"] = flood.cpuSeconds / std::max(quiet.cpuSeconds, 1e-3);
        state.counters["main_thread_quiet_s"] = quiet.mainThreadSeconds;
        state.counters["main_thread_s"] = flood.mainThreadSeconds;
        state.counters["later_cpu_quiet_s"] = quiet.laterCpuSeconds;
        state.counters["later_cpu_s"] = flood.laterCpuSeconds;
        state.counters["later_cpu_ratio"] =
            flood.laterCpuSeconds / std::max(quiet.laterCpuSeconds, 1e-3);
        state.counters["later_main_thread_s"] = flood.laterMainThreadSeconds;
        state.counters["longest_turn_ms"] = flood.longestTurnMs;
        state.counters["messages"] = flood.messages;
        state.counters["ended"] = flood.ended ? 1 : 0;
        platform::MainLoop::main().runUntilIdle();
    }
}
BENCHMARK_CAPTURE(BM_AdPageFrames, about_blank, "'about:blank'")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AdPageFrames, page_messages, "'gmsg://movuroute/nothingKnown?i=' + n")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// A page of the ad server's that sends page messages for as long as it lives, nobody touching
// it (tools/ad_server/HostileCreatives.h), or with None a quiet page: the same ad view, run
// first.
std::string messagesPage(tools::adserver::Hostility hostility) {
    tools::adserver::AdContext context;
    context.origin = server().origin();
    context.slotname = "bench";
    context.ad = 1;
    return "<!DOCTYPE html><html><body>" + tools::adserver::hostilePart(hostility, context) +
           "</body></html>";
}

constexpr double kMessagesWarmUpSeconds = 2, kMessagesSeconds = 20;

struct MessagesRun {
    double cpuSeconds = 0;
    double mainThreadSeconds = 0;
    // This process's resident memory over its figure before the page: the most, and at the end.
    double peakGrowthMB = 0;
    double endGrowthMB = 0;
    std::size_t lines = 0;
    int sent = 0;
    int answers = 0;
};

// This process's resident memory in MB, from statm: a look costs the same however large the
// process is (smaps, which the sampler above reads, walks every page, and took a core's half of
// a process that held gigabytes).
double residentMB() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    unsigned long size = 0, resident = 0;
    const bool read = statm && std::fscanf(statm, "%lu %lu", &size, &resident) == 2;
    if (statm) std::fclose(statm);
    return read ? double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1 << 20) : 0;
}

MessagesRun runMessagesPage(tools::adserver::Hostility hostility) {
    MessagesRun run;
    AdPageHost host(480);
    auto& view = host.view;
    std::atomic<std::size_t> lines = 0;
    auto previous = platform::LogSink::setHandler([&](const std::string& line) {
        if (line.rfind("WebView: web process", 0) != 0) ++lines;
    });
    const double baseMB = residentMB();
    double peakMB = baseMB;
    // Every turn looks at the memory (a turn is at most 50 ms).
    auto until = [&](auto end) {
        return [&peakMB, end] {
            peakMB = std::max(peakMB, residentMB());
            return Clock::now() > end;
        };
    };
    view->loadHTMLString(messagesPage(hostility), platform::Url::parse(server().url("/mads/gma")));
    const auto loaded = Clock::now();
    const auto warm = loaded + std::chrono::duration<double>(kMessagesWarmUpSeconds);
    TurnTimer turns;
    turns.runUntil(until(warm), kMessagesWarmUpSeconds + 5);
    const double all = cpuSeconds(RUSAGE_SELF), main = cpuSeconds(RUSAGE_THREAD);
    turns.runUntil(until(warm + std::chrono::duration<double>(kMessagesSeconds)),
                   kMessagesSeconds + 5);
    run.cpuSeconds = cpuSeconds(RUSAGE_SELF) - all;
    run.mainThreadSeconds = cpuSeconds(RUSAGE_THREAD) - main;
    run.endGrowthMB = residentMB() - baseMB;
    run.peakGrowthMB = peakMB - baseMB;
    auto count = [&](const char* key) {
        const std::string text = view->webView()->stringByEvaluatingJavaScriptFromString(
            std::string("String(window.hostile ? hostile.") + key + " : -1)", 5);
        return text.empty() ? -1 : std::stoi(text);
    };
    run.sent = count("sent");
    run.answers = count("answers");
    platform::LogSink::setHandler(std::move(previous));
    run.lines = lines.load();
    letTheAdGo(view);
    return run;
}

void BM_AdPageMessages(benchmark::State& state, tools::adserver::Hostility hostility) {
    server();
    platform::MainLoop::main().claim();
    for (auto _ : state) {
        // The engine started, and its processes settled, before either run is measured.
        runMessagesPage(tools::adserver::Hostility::None);
        const MessagesRun quiet = runMessagesPage(tools::adserver::Hostility::None);
        const MessagesRun flood = runMessagesPage(hostility);
        state.counters["cpu_quiet_s"] = quiet.cpuSeconds;
        state.counters["cpu_s"] = flood.cpuSeconds;
        state.counters["cores_over_quiet"] =
            (flood.cpuSeconds - quiet.cpuSeconds) / kMessagesSeconds;
        state.counters["main_thread_quiet_s"] = quiet.mainThreadSeconds;
        state.counters["main_thread_s"] = flood.mainThreadSeconds;
        state.counters["rss_peak_quiet_MB"] = quiet.peakGrowthMB;
        state.counters["rss_peak_MB"] = flood.peakGrowthMB;
        state.counters["rss_end_quiet_MB"] = quiet.endGrowthMB;
        state.counters["rss_end_MB"] = flood.endGrowthMB;
        state.counters["lines"] = double(flood.lines);
        state.counters["sent"] = flood.sent;
        state.counters["answers"] = flood.answers;
        platform::MainLoop::main().runUntilIdle();
    }
}
BENCHMARK_CAPTURE(BM_AdPageMessages, openable_flood, tools::adserver::Hostility::OpenableFlood)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AdPageMessages, huge_messages, tools::adserver::Hostility::HugeMessages)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AdPageMessages, huge_messages_by_location,
                  tools::adserver::Hostility::HugeMessagesByLocation)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

class Ending : public platform::services::MediaPlayerObserver {
  public:
    void mediaPlayerDidChange(platform::services::MediaPlayer& player,
                              platform::services::MediaPlayerChange change) override {
        if (change == platform::services::MediaPlayerChange::Status &&
            player.status() == platform::services::MediaPlayerStatus::Failed) {
            failed = true;
        }
    }
    void mediaPlayerItemDidPlayToEnd(platform::services::MediaPlayer&) override { ended = true; }
    bool failed = false;
    bool ended = false;
};

void BM_HugeVideo(benchmark::State& state, const char* name) {
    using platform::services::GstMediaPlayerBackend;
    platform::MainLoop::main().claim();
    if (!GstMediaPlayerBackend::available()) {
        state.SkipWithError("GStreamer is missing");
        return;
    }
    const std::string clip = std::string(MOVU_BINARY_DIR "/media_clips/") + name;
    for (auto _ : state) {
        // A small WebM played first, so GStreamer and the plugins the clip needs are loaded
        // and the figures are the clip's alone.
        auto player =
            platform::services::MediaPlayer::create(std::make_unique<GstMediaPlayerBackend>());
        auto ending = std::make_shared<Ending>();
        player->setObserver(ending);
        player->replaceCurrentItem(
            platform::Url::fileUrl(MOVU_BINARY_DIR "/media_clips/clip.webm"));
        player->play();
        platform::testing::runMainLoopUntil([&] { return ending->failed || ending->ended; }, 30);
        player->replaceCurrentItem(std::nullopt);
        platform::testing::runMainLoopUntil([] { return false; }, 0.5);
        *ending = Ending{};
        TurnTimer turns;
        MemorySampler memory;
        player->replaceCurrentItem(platform::Url::fileUrl(clip));
        player->play();
        const bool done = turns.runUntil([&] { return ending->failed || ending->ended; }, 60);
        memory.stop();
        state.counters["growth_private_MB"] = memory.privateGrowthMB();
        state.counters["growth_rss_MB"] = memory.rssGrowthMB();
        state.counters["refused"] = ending->failed ? 1 : 0;
        state.counters["played_to_end"] = ending->ended ? 1 : 0;
        state.counters["longest_turn_ms"] = turns.longestMs();
        if (!done) state.SkipWithError("the clip neither failed nor ended in 60 s");
        player.reset();
        platform::MainLoop::main().runUntilIdle();
    }
}
BENCHMARK_CAPTURE(BM_HugeVideo, vp8, "huge.webm")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HugeVideo, vp8_container_says_320x240, "huge-lying.webm")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HugeVideo, jpeg_4200_container_says_320x240, "large-lying.mkv")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
