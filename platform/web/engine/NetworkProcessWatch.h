#pragma once

// Keeps the engine's network processes (one for each web context's data: it holds the pages'
// Blobs, their stored data and their connections) under their memory limits, from a thread of
// its own, so a page that fills one faster than WebKit's own check, or while the program's main
// thread is busy, still meets the bound. What to do is NetworkMemoryGuard's judgement
// (ProcessWatch.h), with the limits of WebViewTypes.h; ending a network process is done on the
// watch's thread, the rest is asked of the owner's handlers on the main loop.
//
// The thread is told rather than looking: a process can take memory only as fast as it runs,
// so a timer on each process's CPU clock wakes the watch once that process has used the CPU
// time the headroom to its next level would take at the fastest growth (never sooner than
// kNetworkProcessMemoryLookSeconds after the last look), and the process's own descriptor
// (pidfd) wakes it when the process ends. A network process that only waits for its pages'
// requests costs nothing to watch. Where the kernel offers neither, the watch looks every
// kNetworkProcessMemoryLookSeconds and searches for ended and new processes every second.
//
// Which context a network process serves: WebKit starts a context's network process while the
// context is made, so the runtime gives the processes that appeared meanwhile to that context
// (adopt). One that WebKit starts again later, after the old one ended, is searched for once a
// second while a context is without one, and goes to that context when it is a single one;
// otherwise it is watched for its limit alone.
//
// Threads: construct, adopt and start on the main thread; handlers run on the main loop. Never
// destroyed (the runtime is not), so its thread is never joined.

#include <sys/types.h>
#include <time.h>

#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/web/ProcessWatch.h"

namespace platform::web {

class NetworkProcessWatch {
  public:
    struct Handlers {
        // The owner's stored data is to be cleared.
        std::function<void(int owner)> clearStoredData;
        // The owner's web processes are to be ended (and its stored data cleared).
        std::function<void(int owner, unsigned megabytes)> endPages;
        // A network process was ended at `megabytes`; owner -1 when unknown.
        std::function<void(int owner, unsigned megabytes)> ended;
    };

    explicit NetworkProcessWatch(Handlers handlers);

    // Our children that are WebKit network processes, now.
    static std::set<pid_t> networkProcesses();
    // The network processes that are not in `before` serve `owner` (a small number >= 0).
    void adopt(int owner, const std::set<pid_t>& before);
    void start();

  private:
    struct Watched {
        pid_t pid = 0;
        int owner = -1;
        NetworkMemoryGuard guard;
        // Set up by the watch's thread: its /proc/<pid>/statm kept open, its descriptor, and
        // the timer on its CPU clock (-1 and false where the kernel offers none).
        bool prepared = false;
        int statm = -1;
        int descriptor = -1;
        bool hasTimer = false;
        timer_t timer{};
        clockid_t clock{};
        // To be looked at once `notBefore` has come: new, its timer fired, or no timer.
        bool due = true;
        double notBefore = 0;
        bool ended = false;
    };
    void run();
    // The rest with the mutex held. Opens what the thread `self` watches the process by.
    void prepare(Watched& process, pid_t self, bool timersWork);
    void forget(Watched& process);
    void look(Watched& process, double now);
    // The seconds the thread may sleep, at most (-1: until told).
    double nextWake(double now) const;
    bool ownerWithout() const;
    Watched* watched(pid_t pid);
    // Processes found that are not watched yet: one the engine started again, after the old
    // one ended, serves the context left without one. Without descriptors, the ones not found
    // have ended.
    void watchFound(const std::set<pid_t>& found);
    // Does what the guard judges of the process's `resident` megabytes; false once the
    // process is ended, and so no longer to be watched.
    bool carryOut(Watched& process, double now, unsigned resident);
    static NetworkMemoryGuard newGuard();

    Handlers handlers_;
    std::mutex mutex_;
    std::vector<Watched> watched_;
    std::set<int> owners_;
    std::thread thread_;
    // Wakes the thread when a process is adopted.
    int wake_ = -1;
    // Whether the kernel tells of ends (pidfd); otherwise each search finds the ended ones.
    bool toldOfEnds_ = true;
    double nextSearch_ = 0;
};

}  // namespace platform::web
