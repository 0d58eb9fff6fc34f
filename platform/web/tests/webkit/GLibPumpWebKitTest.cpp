// GLib's default context turning with our main loop, as the engine installs it with its first
// view: what GLib has ready runs before the loop sleeps, GLib's timers bound the loop's sleep,
// and neither side starves the other. The loop sleeps in a host that only writes down how long
// it was allowed and returns at once, so a wrong allowance shows whatever else wakes the loop.
// Needs a display (scripts/test runs it under xvfb-run).

#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>

#include "platform/runtime/MainLoop.h"
#include "platform/web/tests/webkit/WebKitViewFixture.h"

using namespace platform;
using namespace platform::web;

namespace {

constexpr double kTurnWait = 30;

struct GLibPumpWebKitTest : WebKitViewFixture {
    GLibPumpWebKitTest() : WebKitViewFixture({320, 50}) {}

    void SetUp() override {
        WebKitViewFixture::SetUp();
        if (IsSkipped()) return;
        MainLoop::main().setSleeper({[this](double seconds) {
                                         longestSleep = std::max(longestSleep, seconds);
                                         if (onSleep) onSleep();
                                     },
                                     [] {}});
    }
    void TearDown() override {
        MainLoop::main().setSleeper({});
        WebKitViewFixture::TearDown();
    }

    // Turns the loop, as the game does, until `done` or five seconds of turns.
    template <typename Done>
    void turnUntil(Done done) {
        longestSleep = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done() && std::chrono::steady_clock::now() < end) {
            MainLoop::main().runOnce(kTurnWait);
        }
    }

    double longestSleep = 0;
    std::function<void()> onSleep;
};

gboolean setFlag(gpointer flag) {
    *static_cast<bool*>(flag) = true;
    return G_SOURCE_REMOVE;
}

}  // namespace

TEST_F(GLibPumpWebKitTest, WhatGLibHasReadyRunsBeforeTheLoopSleepsAndItsTimersBoundTheSleep) {
    server.text("/page.html", "<p>pumped</p>", 200, "text/html");
    loadAndWait("/page.html");

    // Added on the main thread between two turns: GLib wakes nobody for it, and the loop must
    // not go to sleep before it ran.
    bool idleRan = false;
    std::optional<bool> ranBeforeTheFirstSleep;
    onSleep = [&] {
        if (!ranBeforeTheFirstSleep) ranBeforeTheFirstSleep = idleRan;
    };
    g_idle_add(setFlag, &idleRan);
    turnUntil([&] { return ranBeforeTheFirstSleep.has_value(); });
    EXPECT_TRUE(idleRan);
    EXPECT_EQ(ranBeforeTheFirstSleep, true);
    onSleep = nullptr;

    // A timer of GLib's bounds every sleep until it fired, however long the loop was allowed.
    bool timerFired = false;
    double longestBeforeTheTimer = 0;
    onSleep = [&] {
        if (!timerFired) longestBeforeTheTimer = std::max(longestBeforeTheTimer, longestSleep);
    };
    // Long enough that no turn, on a loaded machine either, passes it before the loop first
    // asks to sleep.
    g_timeout_add(500, setFlag, &timerFired);
    turnUntil([&] { return timerFired; });
    EXPECT_TRUE(timerFired);
    EXPECT_GT(longestBeforeTheTimer, 0);
    EXPECT_LE(longestBeforeTheTimer, 0.5 + 1e-3);
    onSleep = nullptr;

    // A source that is always ready neither starves our own work nor is starved by it: both
    // run in the same turns, the loop never sleeps meanwhile, and the page still answers.
    int busyTurns = 0;
    const guint busy = g_idle_add(
        [](gpointer count) -> gboolean {
            ++*static_cast<int*>(count);
            return G_SOURCE_CONTINUE;
        },
        &busyTurns);
    int posted = 0;
    longestSleep = 0;
    for (int i = 0; i < 5; ++i) {
        MainLoop::main().post([&] { ++posted; });
        MainLoop::main().runOnce(kTurnWait);
    }
    EXPECT_EQ(posted, 5);
    EXPECT_GE(busyTurns, 5);
    EXPECT_EQ(longestSleep, 0);
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("String(6 * 7)"), "42");
    g_source_remove(busy);
}
