// A busy creative and the game's main loop, on real WebKit against the loopback ad server, with
// every room loaded by ads::load() as the program loads them: the yielding-spin banner (a
// mediated HTML creative whose page spins 2.5 s at a time and yields 5 ms, so the engine never
// ends it) is looked at by the rendered check every 0.2 s for 10 s of real time. No look may
// wait for the page on the main thread: the platform's count of synchronous waits stays where
// it was, and the longest turn of the main loop is recorded and must stay far below the second
// a waiting look cost. The test's clock follows real time, so the check's timer ticks as in the
// program: after a long turn it fires once, not once for every period missed. Needs a display:
// scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "ads/Ads.h"
#include "ads/mediation/GADMAdapterHTML.h"
#include "ads/mediation/tests/webkit/MediatedPublicAdsWebKitTest.h"
#include "platform/testing/WebProcesses.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using tools::adserver::AdScenario;
using tools::adserver::RequestKind;
using Clock = std::chrono::steady_clock;

double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

class BusyBannerWebKitTest : public testing::MediatedPublicAdsWebKitTest {
  protected:
    static constexpr const char* kUnit = "ca-movu-busy";
    static constexpr double kWatchedSeconds = 10;
    // A look that waited for the busy page held a turn for its whole second of time-out; a
    // loaded two-core machine under the sanitizers turns in well under half of that.
    static constexpr double kLongestTurnBound = 0.5;
    // The test's clock moves at most one tick of the check per turn: the program's timers skip
    // the firings a long turn missed.
    static constexpr double kLongestAdvance = GADMAdapterHTML::kRenderingCheckInterval;

    void SetUp() override {
        ads::load();
        MediatedPublicAdsWebKitTest::SetUp();
    }
    void TearDown() override {
        MediatedPublicAdsWebKitTest::TearDown();
        // The spinning page must not outlive the test.
        for (pid_t pid : platform::testing::webProcesses()) kill(pid, SIGKILL);
    }
};

TEST_F(BusyBannerWebKitTest, TheYieldingSpinBannerCostsTheMainLoopNoWaitOnItsPage) {
    using platform::web::WebView;
    loadBanner(kUnit, AdScenario::yieldingSpinBanner());
    // Until the answer came and the adapter's check has begun looking at its page.
    const auto looksBefore = WebView::synchronousWaitCount() + WebView::asynchronousSnapshotCount();
    ASSERT_TRUE(ads.waitWhileClockMoves(scope, [&] {
        return ads.log().count(RequestKind::AdRequest) >= 1 &&
               WebView::synchronousWaitCount() + WebView::asynchronousSnapshotCount() > looksBefore;
    }));

    const auto waits = WebView::synchronousWaitCount();
    const auto looks = WebView::asynchronousSnapshotCount();
    const auto start = Clock::now();
    auto last = start;
    double longest = 0;
    long turns = 0;
    ASSERT_TRUE(ads.waitOnMainLoopUntil(
        [&] {
            // One turn of the loop lies between two calls: its posted work, GLib's dispatch and
            // the timers the test's clock fired at its end.
            const auto now = Clock::now();
            longest = std::max(longest, secondsBetween(last, now));
            ++turns;
            scope.advance(std::min(secondsBetween(last, now), kLongestAdvance));
            last = now;
            return secondsBetween(start, now) >= kWatchedSeconds;
        },
        kWatchedSeconds * 3));
    const auto waited = WebView::synchronousWaitCount() - waits;
    const auto asked = WebView::asynchronousSnapshotCount() - looks;
    RecordProperty("longestMainLoopTurnSeconds", std::to_string(longest));
    RecordProperty("mainLoopTurns", std::to_string(turns));
    RecordProperty("synchronousWaits", std::to_string(waited));
    RecordProperty("picturesAsked", std::to_string(asked));

    EXPECT_EQ(waited, 0u);
    EXPECT_LT(longest, kLongestTurnBound);
    // The check went on looking all along, one picture at a time, and saw nothing drawn.
    EXPECT_GE(asked, 2u);
    EXPECT_LE(asked, std::uint64_t(kWatchedSeconds / 0.2) + 1);
    EXPECT_TRUE(heard->log.empty());
}

}  // namespace
}  // namespace ads
