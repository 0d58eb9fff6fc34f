// What a creative's frames and page messages may cost the game: an honest burst arrives whole,
// a flood is cut off at the page's budget and its page ended, and the next ad still comes. On
// real WebKit against our loopback ad server, with interstitials loaded as the program loads
// them. Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "ads/slot/GADInterstitial.h"
#include "ads/slot/tests/HostileInterstitialsFixture.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/testing/WebProcesses.h"
#include "platform/web/WebViewTypes.h"

namespace ads {
namespace {

using platform::LogSink;
using platform::NotificationCenter;
using Clock = std::chrono::steady_clock;

constexpr const char* kUnit = "ca-movu-floods";

// The CPU seconds (user and system) this process's main thread has used.
double mainThreadCpuSeconds() {
    std::ifstream in("/proc/self/task/" + std::to_string(getpid()) + "/stat");
    std::string line;
    std::getline(in, line);
    const auto close = line.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(line.substr(close + 2));
    std::string skipped;
    for (int i = 3; i <= 13; ++i) fields >> skipped;
    unsigned long user = 0, system = 0;
    fields >> user >> system;
    return double(user + system) / sysconf(_SC_CLK_TCK);
}

class PageFloodsWebKitTest : public testing::HostileInterstitialsFixture {
  protected:
    PageFloodsWebKitTest() : HostileInterstitialsFixture(kUnit) {}

    // The page messages of `action` that reached the handlers (none knows it, so each is
    // posted to the notification center).
    int heard(const std::string& action) {
        if (!observations_.count(action)) {
            observations_[action] = NotificationCenter::defaultCenter().observe(
                action, nullptr,
                [this, action](const platform::Notification&) { ++heard_[action]; });
        }
        return heard_[action];
    }
    void let(double seconds) {
        waitFor([] { return false; }, seconds);
    }

  private:
    std::map<std::string, NotificationCenter::Observation> observations_;
    std::map<std::string, int> heard_;
};

// 200 frames every 10 ms (about:blank, or a page message each): the game's process used
// 4.7-8.8 s (frames) and 4.3-6.9 s (messages) of CPU in 10 s, 2.1-2.6 s of it on its main
// thread, for as long as the ad lived. Now the page's budget lets through what an honest page
// sends, refuses the rest at once and ends the page; the CPU figures are recorded, the
// benchmark (bench_ads_hostile_pages, BM_AdPageFrames) holds their target.
TEST_F(PageFloodsWebKitTest, APagesFramesAndMessagesCostTheGameLittle) {
    using namespace platform::web;
    for (const char* target : {"'about:blank'", "'gmsg://movuroute/floodMessage?i=' + n"}) {
        SCOPED_TRACE(target);
        hostileDelegate = std::make_shared<RecordingDelegate>();
        heard("floodMessage");
        LogSink::Capture log;
        const auto start = Clock::now();
        loadPage(std::string("<script>var n = 0; function go() { for (var i = 0; i < 200; ++i) "
                             "{ send(") +
                 target + "); n++; } setTimeout(go, 10); } go();</script>");
        ASSERT_TRUE(waitFor([&] { return log.contains("it was ended"); }, 60))
            << heard("floodMessage");
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        RecordProperty(std::string("seconds to the end ") + target, std::to_string(seconds));
        EXPECT_LE(heard("floodMessage"),
                  kPageNavigationBurst + kPageNavigationsPerSecond * seconds + 1);
        EXPECT_TRUE(log.contains("the rest are refused"));

        // Cut off: once what was let through before the end has arrived (a second without a
        // new one), nothing more of the page does, and what it costs the game from then on is
        // what an idle ad costs.
        int before = -1;
        for (int i = 0; i < 30 && heard("floodMessage") != before; ++i) {
            before = heard("floodMessage");
            let(1);
        }
        const double all = platform::testing::cpuSeconds({getpid()});
        const double main = mainThreadCpuSeconds();
        let(5);
        RecordProperty(std::string("cpu in 5 s after the end ") + target,
                       std::to_string(platform::testing::cpuSeconds({getpid()}) - all));
        RecordProperty(std::string("main thread cpu in 5 s after the end ") + target,
                       std::to_string(mainThreadCpuSeconds() - main));
        EXPECT_EQ(heard("floodMessage"), before);
        interstitials.clear();
    }
    expectTheNextAdShows();
}

// A creative's start-up burst (a load's reports, its MRAID calls, a dozen trackers) is well
// within the budget: 80 messages at once and more later all arrive, and nothing is refused.
TEST_F(PageFloodsWebKitTest, AnHonestBurstOfMessagesArrivesWhole) {
    LogSink::Capture log;
    heard("burstMessage");
    heard("laterMessage");
    loadPage(
        "<script>for (var i = 0; i < 80; ++i) send('gmsg://movuroute/burstMessage?i=' + i);"
        "setTimeout(function () { for (var i = 0; i < 30; ++i) "
        "send('gmsg://movuroute/laterMessage?i=' + i); }, 1500);</script>");
    ASSERT_TRUE(waitFor([&] { return heard("laterMessage") == 30; })) << heard("laterMessage");
    EXPECT_EQ(heard("burstMessage"), 80);
    EXPECT_FALSE(log.contains("refused"));
    EXPECT_FALSE(log.contains("it was ended"));
}

}  // namespace
}  // namespace ads
