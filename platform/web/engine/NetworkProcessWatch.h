#pragma once

// Keeps the engine's network processes (one for each web context's data: it holds the pages'
// Blobs, their stored data and their connections) under their memory limits, from a thread of
// its own that looks every fiftieth of a second, so a page that fills one faster than WebKit's
// own once-a-second check, or while the program's main thread is busy, still meets the bound.
// What to do is NetworkMemoryGuard's judgement (ProcessWatch.h), with the limits of
// WebViewTypes.h; ending a network process is done on the watch's thread, the rest is asked of
// the owner's handlers on the main loop.
//
// Which context a network process serves: WebKit starts a context's network process while the
// context is made, so the runtime gives the processes that appeared meanwhile to that context
// (adopt). One that WebKit starts again later, after the old one ended, goes to the context
// left without one, when that is a single context; otherwise it is watched for its limit alone.
//
// Threads: construct, adopt and start on the main thread; handlers run on the main loop. Never
// destroyed (the runtime is not), so its thread is never joined.

#include <sys/types.h>

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
    };
    void run();
    void look(double now, bool findNew);
    // The rest with the mutex held.
    Watched* watched(pid_t pid);
    // Processes found that are not watched yet: one the engine started again, after the old
    // one ended, serves the context left without one.
    void watchNew(const std::set<pid_t>& found);
    // Does what the guard judges of the process's `resident` megabytes; false once the
    // process is ended, and so no longer to be watched.
    bool carryOut(Watched& process, double now, unsigned resident);
    static NetworkMemoryGuard newGuard();

    Handlers handlers_;
    std::mutex mutex_;
    std::vector<Watched> watched_;
    std::set<int> owners_;
    std::thread thread_;
};

}  // namespace platform::web
