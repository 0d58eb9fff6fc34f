// The watches' judgements on made-up looks: what a process's threads burn between them, how the
// window forgets, the order in which a network process's context loses its stored data, its
// pages and then the process itself, and how long each memory watch may wait.

#include "platform/web/ProcessWatch.h"

#include "platform/web/WebProcessExtensionProtocol.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

namespace platform::web {
namespace {

using Action = NetworkMemoryGuard::Action;
using Threads = std::vector<BusyLedger::Thread>;

constexpr std::uint64_t kMs = 1000 * 1000;

// A made-up process looked at every half second: its CPU clock and its threads' waits, which
// the test advances as its threads would run.
struct Process {
    std::uint64_t cpu = 0;
    Threads threads;
    double now = 0;
    // Each thread was runnable `runnable` of the next half second, `waiting` of it for a core,
    // and stopped to wait of its own accord `rests` times.
    double halfSecond(BusyLedger& ledger, std::uint64_t runnable, std::uint64_t waiting,
                      std::uint64_t rests = 0) {
        now += 0.5;
        for (auto& thread : threads) {
            cpu += runnable - waiting;
            thread.waitingNanoseconds += waiting;
            thread.rests += rests;
        }
        return ledger.look(now, cpu, threads);
    }
    // From a first look, half seconds as halfSecond takes them (the rests of the n-th given by
    // `rests(n)`) until the ledger is over its budget: how many, `most` at the most.
    int halfSecondsUntilOverBudget(
        BusyLedger& ledger, int most, std::uint64_t runnable, std::uint64_t waiting,
        const std::function<std::uint64_t(int)>& rests = [](int) { return 0; }) {
        ledger.look(now, cpu, threads);
        int looks = 0;
        while (!ledger.overBudget() && looks < most) {
            ++looks;
            halfSecond(ledger, runnable, waiting, rests(looks));
        }
        return looks;
    }
};

TEST(BusyLedgerTest, ThreadsThatEachRestNowAndThenBurnTheirSumAndAreEndedSoon) {
    // Eight workers, each busy 330 ms of every 500 ms: no thread is ever near spinning, but
    // together they take over five cores.
    BusyLedger ledger(/*window*/ 20, /*budget*/ 15);
    Process workers{0, Threads(8), 0};
    for (long id = 0; id < 8; ++id) workers.threads[id].id = id + 1;
    EXPECT_EQ(workers.halfSecondsUntilOverBudget(ledger, 40, 330 * kMs, 0), 6);
    EXPECT_NEAR(ledger.busySeconds(), 15.84, 1e-9);

    // On two cores the same eight run a quarter of the time and wait the rest of their 330 ms:
    // the wait counts, so they are ended as soon.
    BusyLedger pinned(20, 15);
    Process shortOfCores{0, workers.threads, 0};
    for (auto& thread : shortOfCores.threads) thread.waitingNanoseconds = 0;
    EXPECT_EQ(shortOfCores.halfSecondsUntilOverBudget(pinned, 40, 330 * kMs, 205 * kMs), 6);
}

TEST(BusyLedgerTest, OneSpinningThreadTakesTheBudgetWhileAnAnimationOnALoadedMachineNeverDoes) {
    BusyLedger spinner(20, 15);
    Process spinning{0, Threads{{1, 0}}, 0};
    // A loaded machine gives it a core a third of the time.
    EXPECT_EQ(spinning.halfSecondsUntilOverBudget(spinner, 100, 500 * kMs, 333 * kMs), 31);

    // Painting and its helper thread: a tenth of a core running, twice that waiting for one.
    BusyLedger honest(20, 15);
    Process animation{0, Threads{{1, 0}, {2, 0}}, 0};
    honest.look(0, 0, animation.threads);
    double most = 0;
    for (int look = 1; look <= 240; ++look) {
        most = std::max(most, animation.halfSecond(honest, 75 * kMs, 50 * kMs));
    }
    EXPECT_FALSE(honest.overBudget());
    EXPECT_NEAR(most, 6, 1e-9);
}

// Beside normal-priority programs that keep its cores busy, a thread at nice 15 gets 3% of a
// core while it wants one (as measured: an animation ran 15 ms and waited 410 ms of each half
// second, resting a dozen times in it).
TEST(BusyLedgerTest, AtALowPriorityAnHonestThreadIsJudgedByWhatItWouldWaitAtNormalPriority) {
    BusyLedger niced(20, 15);
    Process animation{0, Threads{{1, 0, 15}}, 0};
    niced.look(0, 0, animation.threads);
    double most = 0;
    for (int look = 1; look <= 240; ++look) {
        most = std::max(most, animation.halfSecond(niced, 425 * kMs, 410 * kMs, 12));
    }
    EXPECT_FALSE(niced.overBudget());
    EXPECT_LT(most, 1.5);
    // The same looks at normal priority are a thread that wants a core 85% of the time.
    BusyLedger normal(20, 15);
    Process unniced{0, Threads{{1, 0}}, 0};
    const auto aDozen = [](int) { return 12; };
    EXPECT_EQ(unniced.halfSecondsUntilOverBudget(normal, 240, 425 * kMs, 410 * kMs, aDozen), 36);

    // Workers at that priority that rest a third of the time are ended as soon as ever when
    // nothing else wants the cores: their running counts in full.
    BusyLedger workers(20, 15);
    Process duty{0, Threads(8), 0};
    for (long id = 0; id < 8; ++id) duty.threads[id] = {id + 1, 0, 15};
    EXPECT_EQ(duty.halfSecondsUntilOverBudget(workers, 40, 330 * kMs, 0, [](int) { return 1; }), 6);
}

TEST(BusyLedgerTest, AThreadThatNeverRestsCountsItsWholeWaitAtAnyPriority) {
    // Spinning at nice 19 beside busy programs: a core for 1.5% of the time, wanted all of it.
    BusyLedger spinner(20, 15);
    Process spinning{0, Threads{{1, 0, 19}}, 0};
    EXPECT_EQ(spinning.halfSecondsUntilOverBudget(spinner, 100, 500 * kMs, 493 * kMs), 31);
    // Resting once in every fifth look (a script free for 5 ms every 2.5 s) spares it little.
    BusyLedger yielding(20, 15);
    Process script{0, Threads{{1, 0, 15}}, 0};
    const auto everyFifth = [](int look) { return look % 5 == 0 ? 1 : 0; };
    EXPECT_EQ(script.halfSecondsUntilOverBudget(yielding, 100, 500 * kMs, 483 * kMs, everyFifth),
              37);
}

TEST(BusyLedgerTest, ThreadsThatComeAndGoBetweenLooksStillCount) {
    BusyLedger ledger(/*window*/ 2.0, /*budget*/ 1.5);
    // The first look only sets where counting starts, whatever the process did before.
    EXPECT_EQ(ledger.look(10.0, 100000 * kMs, {{1, 5000 * kMs}}), 0);
    // A thread first seen now started since the last look: all its wait counts. The CPU clock
    // holds the running of a thread that started and ended in between, which no look saw.
    EXPECT_DOUBLE_EQ(ledger.look(10.5, 100700 * kMs, {{1, 5000 * kMs}, {2, 300 * kMs}}), 1.0);
    // An id whose wait went back is a new thread under an ended one's id.
    EXPECT_DOUBLE_EQ(ledger.look(11.0, 100700 * kMs, {{1, 5000 * kMs}, {2, 100 * kMs}}), 1.1);
    EXPECT_FALSE(ledger.overBudget());
    EXPECT_DOUBLE_EQ(ledger.look(11.5, 101200 * kMs, {{1, 5000 * kMs}, {2, 100 * kMs}}), 1.6);
    EXPECT_TRUE(ledger.overBudget());
    // Resting lets the window empty: the look of 10.5 falls out at 12.5, the others by 13.6.
    EXPECT_DOUBLE_EQ(ledger.look(12.5, 101200 * kMs, {{1, 5000 * kMs}}), 0.6);
    EXPECT_FALSE(ledger.overBudget());
    EXPECT_DOUBLE_EQ(ledger.look(13.6, 101200 * kMs, {{1, 5000 * kMs}}), 0);
    // A clock that stands still counts nothing, and the next look starts from there.
    EXPECT_DOUBLE_EQ(ledger.look(13.6, 109000 * kMs, {{1, 5000 * kMs}}), 0);
    EXPECT_DOUBLE_EQ(ledger.look(14.1, 109100 * kMs, {{1, 5000 * kMs}}), 0.1);
}

TEST(BusyLedgerTest, RestsAreReadFromAThreadsStatus) {
    // The line that counts them, not the one for being preempted that ends the same.
    EXPECT_EQ(readVoluntarySwitches("Name:\tWebKitWebProces\nvoluntary_ctxt_switches:\t4711\n"
                                    "nonvoluntary_ctxt_switches:\t12\n"),
              4711u);
    EXPECT_EQ(readVoluntarySwitches("nonvoluntary_ctxt_switches:\t12\nvoluntary_ctxt_switches: 3"),
              3u);
    EXPECT_EQ(readVoluntarySwitches("nonvoluntary_ctxt_switches:\t12\n"), std::nullopt);
    EXPECT_EQ(readVoluntarySwitches("voluntary_ctxt_switches:\t-1\n"), std::nullopt);
    EXPECT_EQ(readVoluntarySwitches(""), std::nullopt);
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

TEST(NetworkMemoryGuardTest, TheNextLookWaitsForTheNextLevelAndComesByTheGracesEnd) {
    NetworkMemoryGuard guard(256, 768, 256, 1.0);
    EXPECT_EQ(guard.look(0.0, 100), Action::None);
    EXPECT_EQ(guard.headroomMegabytes(100), 156u);
    EXPECT_FALSE(guard.lookBy());
    // Cleared: nothing new to judge until the end.
    EXPECT_EQ(guard.look(0.1, 300), Action::ClearStoredData);
    EXPECT_EQ(guard.headroomMegabytes(300), 468u);
    // The pages are being ended: the process must be looked at when the grace is over, or
    // sooner should it climb to the end plus the margin.
    EXPECT_EQ(guard.look(1.0, 800), Action::EndPages);
    EXPECT_EQ(guard.headroomMegabytes(800), 224u);
    EXPECT_EQ(guard.lookBy(), 2.0);
    EXPECT_EQ(guard.look(1.5, 200), Action::None);
    EXPECT_EQ(guard.headroomMegabytes(200), 56u);
    EXPECT_FALSE(guard.lookBy());
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

// The kernel lists children by the thread that started them; one whose thread has ended is
// listed by another.
TEST(ProcessStatTest, LiveChildrenAreFoundWhicheverThreadStartedThemUntilTheyEnd) {
    const auto start = [] {
        const pid_t child = fork();
        if (child == 0) {
            prctl(PR_SET_NAME, "movu-watched");
            for (;;) pause();
        }
        return child;
    };
    pid_t fromThread = 0;
    std::thread([&] { fromThread = start(); }).join();
    const pid_t fromMain = start();
    ASSERT_GT(fromThread, 0);
    ASSERT_GT(fromMain, 0);
    // Named once the child has run: until then it bears this program's name.
    std::vector<long> found;
    for (int tries = 0; tries < 1000 && found.size() < 2; ++tries) {
        found = liveChildren(getpid(), "movu-watched");
        if (found.size() < 2) usleep(1000);
    }
    EXPECT_EQ(found,
              (std::vector<long>{std::min(fromMain, fromThread), std::max(fromMain, fromThread)}));
    EXPECT_TRUE(liveChildren(getpid(), "movu-watche").empty());

    // Ended, not yet reaped: no longer live.
    kill(fromMain, SIGKILL);
    siginfo_t info{};
    ASSERT_EQ(waitid(P_PID, id_t(fromMain), &info, WEXITED | WNOWAIT), 0);
    EXPECT_EQ(liveChildren(getpid(), "movu-watched"), (std::vector<long>{fromThread}));
    for (pid_t child : {fromMain, fromThread}) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    EXPECT_TRUE(liveChildren(getpid(), "movu-watched").empty());
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
