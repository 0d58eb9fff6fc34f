#pragma once

// The main thread's run loop. Everything that must happen on the main thread - UI work, game
// ticks, delegate callbacks - is posted here. The "main thread" is whichever thread claimed
// the loop (the first to use it, or a test that claims it again).
//
// With the real clock, runOnce() sleeps until work arrives or a timer is due. With a manual
// clock installed, advance() moves time forward and fires timed work in time order, so tests
// are exact and never sleep.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>
#include <unordered_map>

#include "platform/runtime/Timer.h"

namespace platform {

class MainLoop {
  public:
    using Task = std::function<void()>;

    // The one process-wide loop, created (and claimed by the calling thread) on first use.
    static MainLoop& main();

    // Makes the calling thread the main thread.
    void claim();
    // For a fresh test: drops all posted work and timers (invalidating them) and claims the
    // calling thread. Waiters in syncOnMain for dropped work return false.
    void reset();

    bool isMainThread() const;

    // Thread-safe, first in first out.
    void post(Task task);
    // Runs the task once after the delay (a negative or NaN delay counts as none); the
    // returned one-shot timer can cancel it.
    std::shared_ptr<Timer> postAfter(double seconds, Task task);
    // Runs the task at once when called on the main thread, else posts it.
    void runOnMain(Task task);
    // Runs the task on the main thread and waits for it (inline when already there). Answers
    // false when the task was dropped by reset() instead of run; an exception thrown by the
    // task is rethrown here.
    bool syncOnMain(Task task);

    // One turn of the frame loop: runs posted work and due timers; when nothing was ready it
    // waits up to maxWait seconds for work and runs what arrived. Answers whether anything
    // ran. Only the main thread may run the loop.
    bool runOnce(double maxWait);
    // Runs everything that is due now, including work that it posts, until nothing is left.
    // Answers the number of tasks and timer firings run.
    std::size_t runUntilIdle();
    // Moves the installed manual clock forward by the given seconds, firing timers and
    // delayed work at their times in order (running posted work in between), and ends at
    // exactly now + seconds. With the real clock it only runs what is due.
    std::size_t advance(double seconds);

    // Runs the loop until quit() is called (from any thread).
    void run();
    void quit();

    // Another library's event loop that turns with this one (GLib's, for web views). The pump
    // runs on the main thread at the start of every turn of runOnce() and runUntilIdle(), and
    // answers how long the loop may sleep before the pump must run again: seconds, 0 for at
    // once, infinity (or NaN) for no limit. What it dispatches is not counted as work done, so
    // runUntilIdle() still ends. Events that reach the other library while the loop sleeps
    // must call wake(). One pump at a time; an empty one removes it. Answers the previous one.
    // The pump stays installed across reset(): the library it turns outlives every test, and
    // a pump never runs inside itself.
    //
    // A pump has a share of each frame, not all of it: what it is handed is the time it may
    // take now (it dispatches once at least, then hands back as soon as that time is spent,
    // answering 0 when work remains). One turn of runOnce() hands it the whole share; one
    // runUntilIdle() or advance() hands it what is left of the share as the work the pump
    // dispatches posts more, and runs it no more once the share is spent, so the rest waits
    // for the next frame. Another library whose work never ends (a page that floods the
    // engine's messages) thus costs each frame at most its share and one dispatch.
    using Pump = std::function<double(double seconds)>;
    static constexpr double kPumpShareSeconds = 0.008;
    Pump setPump(Pump pump);
    // Thread-safe: a sleeping runOnce() turns again at once; when the loop is not sleeping,
    // its next wait is skipped.
    void wake();
    // The pump's share of a frame, and the clock it is measured with (seconds, monotonic; the
    // real one when empty). The share is real time whatever clock the loop runs on: a manual
    // clock does not move while the pump works. Tests of the share set both.
    void setPumpShare(double seconds, std::function<double()> clock = {});

    // Another event queue the loop sleeps in instead of its own condition variable (a window
    // system's, whose events must end a sleep as well): sleep(seconds) waits for the host's
    // next event, for interrupt() or for the time to pass; interrupt() is called from any
    // thread when work arrives for a sleeping loop, and must make a sleep that has not begun
    // yet return at once (a pushed event stays queued). Only the main thread sets it; an
    // empty sleeper puts the condition variable back.
    struct Sleeper {
        std::function<void(double seconds)> sleep;
        std::function<void()> interrupt;
    };
    void setSleeper(Sleeper sleeper);
    // How many times runOnce() has gone to sleep since the loop was made: each sleep ends in
    // one wake-up (benchmarks, tests).
    std::uint64_t sleepCount() const;
    // Real seconds runOnce() has spent asleep since the loop was made (main thread only): the
    // rest of a stretch of wall time is the main thread's work (benchmarks).
    double sleptSeconds() const { return slept_; }

    // Monotonic time of the earliest scheduled timer, or infinity.
    double nextFireDate() const;
    std::size_t pendingTaskCount() const;
    std::size_t scheduledTimerCount() const;

  private:
    friend class Timer;
    MainLoop();

    using TimerKey = std::tuple<double, std::uint64_t, Timer*>;

    // Timer side, called by Timer.
    void addTimer(const std::shared_ptr<Timer>& timer, double fireDate);
    void removeTimer(Timer* timer);
    void rescheduleTimer(Timer* timer, double fireDate);
    double timerFireDate(const Timer* timer) const;

    bool checkMainThread(const char* what) const;
    // Runs the pump, if any, with `seconds` of its share, and answers its sleep limit
    // (infinity without one).
    double runPump(double seconds);
    // runUntilIdle() with the pump run only until `pumpDeadline` on the pump's clock (and
    // once at least when `pumpOnce`).
    std::size_t runUntilIdleSharing(double pumpDeadline, bool pumpOnce);
    double pumpNow() const;
    // Runs the posted tasks present now; answers the count.
    std::size_t runPostedBatch();
    // Pops and fires the earliest timer due by `now`; answers whether there was one.
    bool fireNextDueTimer(double now);
    void unqueueLocked(Timer* timer);
    // Wakes a sleeping loop: the condition variable, and the sleeper's host when it sleeps
    // there. Called without the lock held.
    void signal(bool all = false);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> tasks_;
    std::set<TimerKey> schedule_;
    // Strong references that keep scheduled timers alive.
    std::unordered_map<Timer*, std::shared_ptr<Timer>> live_;
    std::uint64_t nextSequence_ = 0;
    std::atomic<std::thread::id> mainThread_;
    bool quit_ = false;
    bool woken_ = false;
    std::shared_ptr<Sleeper> sleeper_;
    // Whether the main thread sleeps in the sleeper and no interrupt was sent since.
    bool hostSleeping_ = false;
    std::uint64_t sleeps_ = 0;
    double slept_ = 0;
    // Only the main thread reads or changes these, so they need no lock.
    std::shared_ptr<Pump> pump_;
    bool pumping_ = false;
    double pumpShare_ = kPumpShareSeconds;
    std::function<double()> pumpClock_;
};

// Shorthands for the main loop.
inline bool isMainThread() {
    return MainLoop::main().isMainThread();
}

}  // namespace platform
