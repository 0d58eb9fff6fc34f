#include "platform/web/engine/NetworkProcessWatch.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/runtime/MainLoop.h"
#include "platform/web/WebViewTypes.h"

namespace platform::web {

namespace {

// Resident megabytes of a process, or nothing once it has gone.
std::optional<unsigned> residentMegabytes(pid_t pid) {
    char path[48];
    std::snprintf(path, sizeof path, "/proc/%d/statm", static_cast<int>(pid));
    FILE* statm = std::fopen(path, "r");
    if (!statm) return std::nullopt;
    unsigned long size = 0, resident = 0;
    const int read = std::fscanf(statm, "%lu %lu", &size, &resident);
    std::fclose(statm);
    if (read != 2) return std::nullopt;
    return static_cast<unsigned>((std::uint64_t(resident) * sysconf(_SC_PAGESIZE)) >> 20);
}

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

NetworkProcessWatch::NetworkProcessWatch(Handlers handlers) : handlers_(std::move(handlers)) {}

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

void NetworkProcessWatch::start() {
    if (thread_.joinable()) return;
    thread_ = std::thread([this] { run(); });
    thread_.detach();
}

void NetworkProcessWatch::run() {
    double nextSearch = 0;
    for (;;) {
        const double now = secondsNow();
        // New processes are looked for once a second: the engine starts one only after
        // another ended, and a fresh one holds little.
        const bool findNew = now >= nextSearch;
        if (findNew) nextSearch = now + 1;
        look(now, findNew);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void NetworkProcessWatch::look(double now, bool findNew) {
    std::set<pid_t> found;
    if (findNew) found = networkProcesses();
    std::lock_guard lock(mutex_);
    if (findNew) watchNew(found);
    for (auto it = watched_.begin(); it != watched_.end();) {
        const auto megabytes = residentMegabytes(it->pid);
        if (megabytes && carryOut(*it, now, *megabytes)) {
            ++it;
        } else {
            it = watched_.erase(it);
        }
    }
}

NetworkProcessWatch::Watched* NetworkProcessWatch::watched(pid_t pid) {
    auto it = std::find_if(watched_.begin(), watched_.end(),
                           [&](const Watched& w) { return w.pid == pid; });
    return it == watched_.end() ? nullptr : &*it;
}

void NetworkProcessWatch::watchNew(const std::set<pid_t>& found) {
    for (pid_t pid : found) {
        if (watched(pid)) continue;
        std::set<int> without = owners_;
        for (const auto& w : watched_) without.erase(w.owner);
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
