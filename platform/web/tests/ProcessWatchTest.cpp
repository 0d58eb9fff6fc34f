// The watches' judgements on made-up looks: which threads count as burning a core, how the
// window forgets, and the order in which a network process's context loses its stored data,
// its pages and then the process itself.

#include "platform/web/ProcessWatch.h"

#include "platform/web/WebProcessExtensionProtocol.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace platform::web {
namespace {

using Action = NetworkMemoryGuard::Action;
using Threads = std::vector<BusyLedger::Thread>;

constexpr std::uint64_t kMs = 1000 * 1000;

TEST(BusyLedgerTest, CountsOnlyThreadsRunnableNearlyAllTheTimeAndForgetsPastTheWindow) {
    BusyLedger ledger(/*window*/ 2.0, /*budget*/ 1.5, /*share*/ 0.9);
    // The first look only sets where counting starts, whatever the threads did before.
    EXPECT_EQ(ledger.look(10.0, {{1, 100000 * kMs}, {2, 0}, {3, 0}}), 0);
    // Half a second: thread 1 spun (running or waiting), 2 ran a frame's worth, 3 ran 90%.
    EXPECT_DOUBLE_EQ(ledger.look(10.5, {{1, 100500 * kMs}, {2, 100 * kMs}, {3, 450 * kMs}}), 1.0);
    EXPECT_FALSE(ledger.overBudget());
    // A thread that appears is only counted from its second look; one that went is dropped.
    EXPECT_DOUBLE_EQ(ledger.look(11.0, {{1, 101000 * kMs}, {4, 999999 * kMs}}), 1.5);
    EXPECT_FALSE(ledger.overBudget());
    EXPECT_DOUBLE_EQ(ledger.look(11.5, {{1, 101500 * kMs}, {4, 999999 * kMs + 500 * kMs}}), 2.5);
    EXPECT_TRUE(ledger.overBudget());
    // Resting threads let the window empty: the look of 10.5 falls out at 12.5, the others by
    // 13.6.
    EXPECT_DOUBLE_EQ(ledger.look(12.5, {{1, 101500 * kMs}, {4, 999999 * kMs + 500 * kMs}}), 1.5);
    EXPECT_FALSE(ledger.overBudget());
    EXPECT_DOUBLE_EQ(ledger.look(13.6, {{1, 101500 * kMs}}), 0);
}

TEST(BusyLedgerTest, SpinnersShortOfCoresStillBurnWhileAThreadThatSleepsBetweenFramesNeverDoes) {
    BusyLedger ledger(20, 15, 0.9);
    // Four workers share two cores: each runs 250 ms and waits 250 ms of every half second.
    // Beside them a decoder runs 300 ms of every half second and sleeps the rest.
    Threads threads{{1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}};
    ledger.look(0, threads);
    int looks = 0;
    while (!ledger.overBudget() && looks < 40) {
        ++looks;
        for (long id = 1; id <= 4; ++id) threads[id - 1].runnableNanoseconds += 500 * kMs;
        threads[4].runnableNanoseconds += 300 * kMs;
        ledger.look(looks * 0.5, threads);
    }
    // Two thread-seconds a second from the workers alone: past fifteen after four seconds.
    EXPECT_EQ(looks, 8);
    EXPECT_DOUBLE_EQ(ledger.busySeconds(), 16);

    BusyLedger honest(20, 15, 0.9);
    Threads decoder{{5, 0}};
    honest.look(0, decoder);
    for (int look = 1; look <= 100; ++look) {
        decoder[0].runnableNanoseconds += 300 * kMs;
        honest.look(look * 0.5, decoder);
    }
    EXPECT_EQ(honest.busySeconds(), 0);
}

TEST(BusyLedgerTest, AnIrregularLookCountsItsOwnLengthAndAClockThatStandsStillCountsNothing) {
    BusyLedger ledger(20, 15, 0.9);
    ledger.look(0, {{1, 0}});
    // A late look: three seconds runnable in three seconds.
    EXPECT_DOUBLE_EQ(ledger.look(3, {{1, 3000 * kMs}}), 3);
    EXPECT_DOUBLE_EQ(ledger.look(3, {{1, 9000 * kMs}}), 3);
    // A counter that went backwards (a reused thread id) is a new thread.
    EXPECT_DOUBLE_EQ(ledger.look(3.5, {{1, 10 * kMs}}), 3);
}

TEST(NetworkMemoryGuardTest, ClearsStoredDataOncePerClimbThenEndsPagesThenTheProcess) {
    NetworkMemoryGuard guard(/*stored*/ 256, /*end*/ 768, /*margin*/ 256, /*grace*/ 1.0);
    EXPECT_EQ(guard.look(0.0, 100), Action::None);
    EXPECT_EQ(guard.look(0.1, 300), Action::ClearStoredData);
    // Still over after the clear (Blobs, say): not cleared again until it has been under.
    EXPECT_EQ(guard.look(0.2, 500), Action::None);
    EXPECT_EQ(guard.look(0.3, 200), Action::None);
    EXPECT_EQ(guard.look(0.4, 260), Action::ClearStoredData);
    // Past the end: the pages go, once; still over after the grace, the process goes.
    EXPECT_EQ(guard.look(1.0, 800), Action::EndPages);
    EXPECT_EQ(guard.look(1.5, 900), Action::None);
    EXPECT_EQ(guard.look(2.0, 900), Action::EndProcess);
    // Ending the pages brought it down in time: no process ends, and the next climb starts
    // over.
    EXPECT_EQ(guard.look(3.0, 800), Action::EndPages);
    EXPECT_EQ(guard.look(3.5, 100), Action::None);
    EXPECT_EQ(guard.look(5.0, 800), Action::EndPages);
}

TEST(NetworkMemoryGuardTest, AJumpPastTheMarginEndsTheProcessAtOnce) {
    NetworkMemoryGuard guard(256, 768, 256, 1.0);
    EXPECT_EQ(guard.look(0, 1024), Action::EndProcess);
    // The process the engine starts next is judged afresh.
    EXPECT_EQ(guard.look(0.1, 80), Action::None);
    EXPECT_EQ(guard.look(0.2, 300), Action::ClearStoredData);
    EXPECT_EQ(guard.look(0.3, 800), Action::EndPages);
    EXPECT_EQ(guard.look(0.4, 1100), Action::EndProcess);
}

// Any process may name itself to look like one of the engine's, or like a whole stat line.
TEST(ProcessStatTest, OnlyALiveChildOfOursUnderTheEnginesNameCounts) {
    const auto stat = readProcessStat("4242 (a) b (c)) S 77 4242 4242 0 -1 4194560 312");
    ASSERT_TRUE(stat);
    EXPECT_EQ(stat->command, "a) b (c)");
    EXPECT_EQ(stat->state, 'S');
    EXPECT_EQ(stat->parent, 77);
    EXPECT_TRUE(readProcessStat("1 () R 0"));

    EXPECT_TRUE(isLiveChild("9 (WebKitNetworkPr) S 77 9 9 0", 77, "WebKitNetworkPr"));
    EXPECT_TRUE(isLiveChild("9 (WebKitNetworkPr) R 77", 77, "WebKitNetworkPr"));
    // Ended and not yet reaped: it holds nothing, and the process the engine starts in its
    // stead must not be taken for a stranger's.
    EXPECT_FALSE(isLiveChild("9 (WebKitNetworkPr) Z 77 9 9 0", 77, "WebKitNetworkPr"));
    EXPECT_FALSE(isLiveChild("9 (WebKitNetworkPr) X 77 9 9 0", 77, "WebKitNetworkPr"));
    EXPECT_FALSE(isLiveChild("9 (WebKitNetworkPr) S 78 9 9 0", 77, "WebKitNetworkPr"));
    EXPECT_FALSE(isLiveChild("9 (WebKitWebProces) S 77 9 9 0", 77, "WebKitNetworkPr"));
    EXPECT_FALSE(isLiveChild("9 (WebKitNetworkP) S 77 9 9 0", 77, "WebKitNetworkPr"));
    // A name that carries a stat line of its own is still only a name.
    EXPECT_FALSE(
        isLiveChild("9 (x) S 77 (WebKitNetworkPr) S 77 9) S 1 9 9 0", 77, "WebKitNetworkPr"));
    for (const char* bad :
         {"", "9 WebKitNetworkPr S 77", "9 (WebKitNetworkPr S 77", "9 (WebKitNetworkPr)",
          "9 (WebKitNetworkPr) S", "9 (WebKitNetworkPr) S ", "9 (WebKitNetworkPr)S 77",
          "9 (WebKitNetworkPr) S77", "9 (WebKitNetworkPr) S -77", "9 (WebKitNetworkPr) S 77x",
          "9 (WebKitNetworkPr) S 99999999999999999999", "9 )WebKitNetworkPr( S 77"}) {
        EXPECT_FALSE(readProcessStat(bad)) << '"' << bad << '"';
    }
}

// The extension's reports arrive on a socket anyone on the machine can write to.
TEST(WebExtensionReportTest, OnlyTheExtensionsOwnWellFormedReportsAreRead) {
    const auto memory = readWebExtensionReport("t0k memory 1031 4242", "t0k");
    ASSERT_TRUE(memory);
    EXPECT_EQ(memory->what, kWebExtensionReportMemory);
    EXPECT_EQ(memory->value, 1031);
    EXPECT_EQ(memory->process, 4242);
    EXPECT_TRUE(readWebExtensionReport("t0k busy 15.5 7", "t0k"));
    EXPECT_TRUE(readWebExtensionReport("t0k page 12 7", "t0k"));
    for (const char* bad :
         {"", "x memory 1 2", "t0k memory 1", "t0k memory 1 2 3", "t0k  memory 1 2",
          "t0k memory 1 2 ", "t0k shout 1 2", "t0k memory -1 2", "t0k memory nan 2",
          "t0k memory inf 2", "t0k memory 1e999 2", "t0k memory 1 0", "t0k memory 1 -5",
          "t0k memory 1 99999999999", "t0k memory 1 2x", "t0k memory 1x 2",
          "t0k memory 1111111111111111111111111 2"}) {
        EXPECT_FALSE(readWebExtensionReport(bad, "t0k")) << '"' << bad << '"';
    }
    // No token, no reports.
    EXPECT_FALSE(readWebExtensionReport(" memory 1 2", ""));
}

}  // namespace
}  // namespace platform::web
