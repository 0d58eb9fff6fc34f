#include "platform/web/engine/GLibPump.h"

#include <glib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/base/LogSink.h"
#include "platform/runtime/MainLoop.h"

namespace platform::web {

namespace {

// Bounds one turn's dispatching, so a source that is always ready cannot starve our own work.
constexpr int kMaxRoundsPerTurn = 64;

class Pump {
  public:
    Pump() : interrupt_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        // Detached: the pump lives as long as the process, like the GLib context it watches.
        std::thread([this] { watch(); }).detach();
    }

    // One check and one prepare of the context a round. Each walks every source attached to
    // it, and a page can make those many: the engine keeps a timer source for every navigation
    // a page started while another of its own was still being decided, until the page goes
    // (two script clicks in one task leave one). A round that prepared, checked, dispatched and
    // then prepared and checked again to learn that nothing more was ready walked them twice.
    // Now a round checks against the query of the round before it (the last turn's, across
    // the loop's sleep, as GLib's own loop checks after its poll) and then prepares for the
    // next; only what that prepare found ready already is dispatched in another round of the
    // same turn.
    //
    // A turn takes at most `seconds` (MainLoop's share of a frame) and one dispatch: a page can
    // keep the engine's messages coming for as long as it likes (a flood of same-document
    // navigations, each a message the engine decodes and converts here), and what the turn
    // leaves is dispatched on the next frame's.
    double turn(double seconds) {
        GMainContext* context = g_main_context_default();
        if (!g_main_context_acquire(context)) return 0.005;
        const gint64 deadline = g_get_monotonic_time() + gint64(seconds * 1e6);
        gint timeoutMs = -1;
        for (int round = 0; round < kMaxRoundsPerTurn; ++round) {
            if (queried_) {
                if (!fds_.empty()) g_poll(fds_.data(), fds_.size(), 0);
                if (g_main_context_check(context, maxPriority_, fds_.data(),
                                         static_cast<gint>(fds_.size()))) {
                    g_main_context_dispatch(context);
                }
            }
            maxPriority_ = 0;
            g_main_context_prepare(context, &maxPriority_);
            gint needed = 0;
            while ((needed = g_main_context_query(context, maxPriority_, &timeoutMs, fds_.data(),
                                                  static_cast<gint>(fds_.size()))) >
                   static_cast<gint>(fds_.size())) {
                fds_.resize(needed);
            }
            fds_.resize(needed);
            queried_ = true;
            if (timeoutMs != 0) break;
            // More is ready, but the share is spent: the next turn checks this query first.
            if (g_get_monotonic_time() >= deadline) break;
        }
        g_main_context_release(context);
        arm();
        return timeoutMs < 0 ? std::numeric_limits<double>::infinity() : timeoutMs / 1000.0;
    }

  private:
    // Hands the descriptors GLib waits on to the watcher, unless it already watches them.
    void arm() {
        std::vector<pollfd> fds;
        fds.reserve(fds_.size());
        for (const GPollFD& f : fds_) {
            fds.push_back({f.fd, static_cast<short>(f.events), 0});
        }
        bool interrupt = false;
        {
            std::lock_guard lock(mutex_);
            bool same = armed_ && fds.size() == watched_.size();
            for (std::size_t i = 0; same && i < fds.size(); ++i) {
                same = fds[i].fd == watched_[i].fd && fds[i].events == watched_[i].events;
            }
            if (same) return;
            interrupt = polling_;
            watched_ = std::move(fds);
            armed_ = true;
        }
        changed_.notify_one();
        if (interrupt && interrupt_ >= 0) {
            std::uint64_t one = 1;
            [[maybe_unused]] auto n = write(interrupt_, &one, sizeof one);
        }
    }

    void watch() {
        for (;;) {
            std::vector<pollfd> fds;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return armed_; });
                fds = watched_;
                polling_ = true;
            }
            fds.push_back({interrupt_, POLLIN, 0});
            int ready = poll(fds.data(), fds.size(), -1);
            bool interrupted = fds.back().revents != 0;
            if (interrupted) {
                std::uint64_t count;
                [[maybe_unused]] auto n = read(interrupt_, &count, sizeof count);
            }
            bool glibReady = false;
            for (std::size_t i = 0; i + 1 < fds.size(); ++i) glibReady |= fds[i].revents != 0;
            {
                std::lock_guard lock(mutex_);
                polling_ = false;
                // Ready descriptors stay ready until the main thread dispatches them: wait for
                // its next turn to hand over fresh ones instead of spinning.
                if (glibReady || (ready < 0 && errno != EINTR)) armed_ = false;
            }
            if (glibReady) MainLoop::main().wake();
        }
    }

    // The last query, checked at the start of the next round (main thread only). A nested
    // turn of the context in between (waitForGLib) leaves it stale; the next check then only
    // misses readiness that the poll of a later round finds, since every descriptor it holds
    // is polled afresh right before the check.
    std::vector<GPollFD> fds_;
    gint maxPriority_ = 0;
    bool queried_ = false;
    const int interrupt_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<pollfd> watched_;
    bool armed_ = false;
    bool polling_ = false;
};

}  // namespace

void GLibPump::install() {
    // Never destroyed: the watcher thread uses it until the process ends.
    static Pump* pump = [] {
        auto* p = new Pump();
        MainLoop::main().setPump([p](double seconds) { return p->turn(seconds); });
        return p;
    }();
    (void)pump;
}

}  // namespace platform::web
