#include "platform/web/engine/NetworkProcessWatch.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/runtime/MainLoop.h"
#include "platform/web/WebViewTypes.h"

namespace platform::web {

namespace {

// The signal the CPU-clock timers send. Real-time, blocked on the watch's thread alone and sent
// to that thread alone, so no other thread of the program ever sees it.
int timerSignal() {
    return SIGRTMIN + 4;
}

// Resident megabytes of a process from its statm kept open, or nothing once it has gone.
std::optional<unsigned> residentMegabytes(int statm) {
    char text[128];
    const ssize_t length = statm >= 0 ? pread(statm, text, sizeof text - 1, 0) : -1;
    if (length <= 0) return std::nullopt;
    text[length] = '\0';
    unsigned long size = 0, resident = 0;
    if (std::sscanf(text, "%lu %lu", &size, &resident) != 2) return std::nullopt;
    return static_cast<unsigned>((std::uint64_t(resident) * sysconf(_SC_PAGESIZE)) >> 20);
}

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

timespec plusSeconds(timespec at, double seconds) {
    const auto nanoseconds = std::int64_t(at.tv_nsec) + std::int64_t(std::llround(seconds * 1e9));
    at.tv_sec += time_t(nanoseconds / 1000000000);
    at.tv_nsec = long(nanoseconds % 1000000000);
    return at;
}

}  // namespace

NetworkProcessWatch::NetworkProcessWatch(Handlers handlers)
    : handlers_(std::move(handlers)), wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

NetworkMemoryGuard NetworkProcessWatch::newGuard() {
    return NetworkMemoryGuard(kNetworkProcessStoredDataMegabytes, kNetworkProcessMemoryEndMegabytes,
                              kNetworkProcessMemoryMarginMegabytes, kNetworkProcessEndGraceSeconds);
}

std::set<pid_t> NetworkProcessWatch::networkProcesses() {
    std::set<pid_t> found;
    for (long pid : liveChildren(getpid(), "WebKitNetworkPr"))
        found.insert(static_cast<pid_t>(pid));
    return found;
}

void NetworkProcessWatch::adopt(int owner, const std::set<pid_t>& before) {
    const auto now = networkProcesses();
    {
        std::lock_guard lock(mutex_);
        owners_.insert(owner);
        for (pid_t pid : now) {
            if (before.count(pid)) continue;
            if (Watched* known = watched(pid)) {
                known->owner = owner;
            } else {
                watched_.push_back({pid, owner, newGuard()});
            }
        }
    }
    const std::uint64_t one = 1;
    if (wake_ >= 0) (void)!write(wake_, &one, sizeof one);
}

void NetworkProcessWatch::start() {
    if (thread_.joinable()) return;
    thread_ = std::thread([this] { run(); });
    thread_.detach();
}

void NetworkProcessWatch::run() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, timerSignal());
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    const int timers = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    const auto self = static_cast<pid_t>(syscall(SYS_gettid));
    for (;;) {
        bool search = false;
        {
            std::lock_guard lock(mutex_);
            search = (!toldOfEnds_ || ownerWithout()) && secondsNow() >= nextSearch_;
        }
        // Outside the lock: reading /proc takes a while, and adopt waits for the lock.
        std::set<pid_t> found;
        if (search) found = networkProcesses();

        std::vector<pollfd> fds{{wake_, POLLIN, 0}, {timers, POLLIN, 0}};
        std::vector<pid_t> whose{0, 0};
        double timeout = -1;
        {
            std::lock_guard lock(mutex_);
            const double now = secondsNow();
            if (search) {
                nextSearch_ = now + 1;
                watchFound(found);
            }
            for (Watched& process : watched_) {
                if (!process.prepared) prepare(process, self, timers >= 0);
                const auto by = process.guard.lookBy();
                if (!process.ended &&
                    ((process.due && now >= process.notBefore) || (by && now >= *by))) {
                    look(process, now);
                }
            }
            for (auto it = watched_.begin(); it != watched_.end();) {
                if (it->ended) {
                    forget(*it);
                    it = watched_.erase(it);
                } else {
                    if (it->descriptor >= 0) {
                        fds.push_back({it->descriptor, POLLIN, 0});
                        whose.push_back(it->pid);
                    }
                    ++it;
                }
            }
            timeout = nextWake(secondsNow());
        }
        const int waitMs = timeout < 0 ? -1 : int(std::ceil(timeout * 1000));
        if (poll(fds.data(), fds.size(), waitMs) <= 0) continue;
        if (fds[0].revents) {
            std::uint64_t count = 0;
            (void)!read(wake_, &count, sizeof count);
        }
        std::lock_guard lock(mutex_);
        if (fds[1].revents) {
            signalfd_siginfo info{};
            while (read(timers, &info, sizeof info) == sizeof info) {
                if (Watched* process = watched(pid_t(info.ssi_int))) process->due = true;
            }
        }
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents) continue;
            // Ended: its successor, if the engine starts one, is searched for.
            if (Watched* process = watched(whose[i])) process->ended = true;
        }
    }
}

void NetworkProcessWatch::prepare(Watched& process, pid_t self, bool timersWork) {
    process.prepared = true;
    const std::string statm = "/proc/" + std::to_string(process.pid) + "/statm";
    process.statm = open(statm.c_str(), O_RDONLY | O_CLOEXEC);
    process.descriptor = int(syscall(SYS_pidfd_open, process.pid, 0));
    if (process.descriptor < 0) {
        if (errno == ESRCH) {
            process.ended = true;
            return;
        }
        toldOfEnds_ = false;
    }
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = timerSignal();
    event.sigev_value.sival_int = process.pid;
    event._sigev_un._tid = self;
    process.hasTimer = timersWork && clock_getcpuclockid(process.pid, &process.clock) == 0 &&
                       timer_create(process.clock, &event, &process.timer) == 0;
    process.due = true;
}

void NetworkProcessWatch::forget(Watched& process) {
    if (process.statm >= 0) close(process.statm);
    if (process.descriptor >= 0) close(process.descriptor);
    if (process.hasTimer) timer_delete(process.timer);
    process.statm = process.descriptor = -1;
    process.hasTimer = false;
}

void NetworkProcessWatch::look(Watched& process, double now) {
    const auto megabytes = residentMegabytes(process.statm);
    if (!megabytes || !carryOut(process, now, *megabytes)) {
        process.ended = true;
        return;
    }
    process.notBefore = now + kNetworkProcessMemoryLookSeconds;
    process.due = true;
    timespec worked{};
    if (!process.hasTimer || clock_gettime(process.clock, &worked) != 0) return;
    const double wait =
        cpuSecondsUntilNextLook(std::uint64_t(process.guard.headroomMegabytes(*megabytes)) << 20,
                                kFastestMemoryGrowthMegabytesPerCpuSecond * double(1 << 20));
    itimerspec at{};
    at.it_value = plusSeconds(worked, wait);
    // Without the timer it is looked at as often as it may be.
    process.due = timer_settime(process.timer, TIMER_ABSTIME, &at, nullptr) != 0;
}

double NetworkProcessWatch::nextWake(double now) const {
    double soonest = -1;
    const auto consider = [&](double at) {
        const double in = std::max(0.0, at - now);
        if (soonest < 0 || in < soonest) soonest = in;
    };
    for (const Watched& process : watched_) {
        if (process.due) consider(process.notBefore);
        if (const auto by = process.guard.lookBy()) consider(*by);
    }
    if (!toldOfEnds_ || ownerWithout()) consider(nextSearch_);
    return soonest;
}

bool NetworkProcessWatch::ownerWithout() const {
    for (int owner : owners_) {
        const bool has = std::any_of(watched_.begin(), watched_.end(),
                                     [&](const Watched& w) { return w.owner == owner; });
        if (!has) return true;
    }
    return false;
}

NetworkProcessWatch::Watched* NetworkProcessWatch::watched(pid_t pid) {
    auto it = std::find_if(watched_.begin(), watched_.end(),
                           [&](const Watched& w) { return w.pid == pid; });
    return it == watched_.end() ? nullptr : &*it;
}

void NetworkProcessWatch::watchFound(const std::set<pid_t>& found) {
    for (Watched& process : watched_) {
        if (!toldOfEnds_ && !found.count(process.pid)) process.ended = true;
    }
    for (pid_t pid : found) {
        if (watched(pid)) continue;
        std::set<int> without = owners_;
        for (const auto& w : watched_) {
            if (!w.ended) without.erase(w.owner);
        }
        watched_.push_back({pid, without.size() == 1 ? *without.begin() : -1, newGuard()});
    }
}

bool NetworkProcessWatch::carryOut(Watched& process, double now, unsigned resident) {
    const int owner = process.owner;
    switch (process.guard.look(now, resident)) {
        case NetworkMemoryGuard::Action::None:
            break;
        case NetworkMemoryGuard::Action::ClearStoredData:
            if (owner >= 0) {
                MainLoop::main().post([this, owner] { handlers_.clearStoredData(owner); });
            }
            break;
        case NetworkMemoryGuard::Action::EndPages:
            if (owner >= 0) {
                MainLoop::main().post(
                    [this, owner, resident] { handlers_.endPages(owner, resident); });
            }
            break;
        case NetworkMemoryGuard::Action::EndProcess:
            kill(process.pid, SIGKILL);
            MainLoop::main().post([this, owner, resident] { handlers_.ended(owner, resident); });
            // Its replacement is found like any new one.
            return false;
    }
    return true;
}

}  // namespace platform::web
