#pragma once

// The judgements of the engine's process watches, without the reading: the caller samples the
// process (its threads' times, its resident memory, its line of /proc/<pid>/stat) and the
// clock, and hands them in; liveChildren alone reads /proc itself. Header only and standard library
// only, because the web-process extension, which links nothing of ours, keeps a BusyLedger too.
// Neither class is thread-safe: each belongs to one watch thread.

#include <charconv>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::web {

// What a watch needs of a line of /proc/<pid>/stat: "<pid> (<command>) <state> <parent> ...".
// Any process may name itself anything, brackets and spaces included, and the kernel cuts the
// name at 15 bytes; the command is what stands between the first "(" and the last ")".
struct ProcessStat {
    std::string command;
    char state = 0;
    long parent = 0;

    // Ended, and waiting only for its parent to hear so (a zombie): it holds no memory, and
    // whatever it served has gone with it.
    bool ended() const { return state == 'Z' || state == 'X'; }
};

inline std::optional<ProcessStat> readProcessStat(std::string_view line) {
    const std::size_t open = line.find('(');
    const std::size_t close = line.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open ||
        close + 4 > line.size() || line[close + 1] != ' ' || line[close + 3] != ' ') {
        return std::nullopt;
    }
    ProcessStat stat;
    stat.command = std::string(line.substr(open + 1, close - open - 1));
    stat.state = line[close + 2];
    const char* first = line.data() + close + 4;
    const char* last = line.data() + line.size();
    const auto [end, error] = std::from_chars(first, last, stat.parent);
    if (error != std::errc() || end == first || stat.parent < 0 || (end != last && *end != ' ')) {
        return std::nullopt;
    }
    return stat;
}

// Whether a line of /proc/<pid>/stat is of a live child of `parent` named `command` (as the
// kernel keeps it: cut at 15 bytes). A zombie is none: counted, it would take the place of
// the process the engine starts in its stead.
inline bool isLiveChild(std::string_view statLine, long parent, std::string_view command) {
    const auto stat = readProcessStat(statLine);
    return stat && !stat->ended() && stat->parent == parent && stat->command == command;
}

// The live children of `parent` named `command` (isLiveChild), as /proc lists them now.
inline std::vector<long> liveChildren(long parent, std::string_view command) {
    std::vector<long> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (std::getline(stat, line) && isLiveChild(line, parent, command)) {
            found.push_back(std::stol(name));
        }
    }
    return found;
}

// How long a process's threads have been busy within a sliding window. A thread is busy over an
// interval when it was runnable (running, or ready and waiting for a core) for at least
// `busyShare` of it; each such thread adds the interval's length. Counting the wait means a
// spinning thread is busy however loaded the machine is, while a thread that sleeps between
// frames never is.
class BusyLedger {
  public:
    // A thread as looked at: its id and the nanoseconds it has been runnable since it started.
    struct Thread {
        long id = 0;
        std::uint64_t runnableNanoseconds = 0;
    };

    BusyLedger(double windowSeconds, double budgetSeconds, double busyShare)
        : window_(windowSeconds), budget_(budgetSeconds), share_(busyShare) {}

    // One look at `now` (seconds on any steady clock). The first look, and a thread's first
    // appearance, only set where counting starts. Answers the busy seconds within the window.
    double look(double now, const std::vector<Thread>& threads) {
        double busy = 0;
        const double interval = now - last_;
        std::map<long, std::uint64_t> seen;
        for (const Thread& thread : threads) {
            seen[thread.id] = thread.runnableNanoseconds;
            auto before = runnable_.find(thread.id);
            if (!looked_ || interval <= 0 || before == runnable_.end() ||
                thread.runnableNanoseconds < before->second) {
                continue;
            }
            const double runnable = double(thread.runnableNanoseconds - before->second) / 1e9;
            if (runnable >= share_ * interval) busy += interval;
        }
        runnable_ = std::move(seen);
        if (looked_ && interval > 0) {
            slices_.emplace_back(now, busy);
            total_ += busy;
        }
        while (!slices_.empty() && slices_.front().first <= now - window_) {
            total_ -= slices_.front().second;
            slices_.pop_front();
        }
        if (slices_.empty()) total_ = 0;
        looked_ = true;
        last_ = now;
        return total_;
    }

    double busySeconds() const { return total_; }
    bool overBudget() const { return total_ > budget_; }

  private:
    double window_, budget_, share_;
    bool looked_ = false;
    double last_ = 0;
    std::map<long, std::uint64_t> runnable_;
    // (when the interval ended, the busy seconds it added)
    std::deque<std::pair<double, double>> slices_;
    double total_ = 0;
};

// What to do about one network process's resident memory, looked at again and again.
// Past `storedDataMegabytes` its context's stored data is cleared, once until it has been back
// under; past `endMegabytes` the pages of its context are ended, and should it still be over
// `graceSeconds` later, or at any time over the end plus `marginMegabytes`, the network process
// itself is ended.
class NetworkMemoryGuard {
  public:
    enum class Action { None, ClearStoredData, EndPages, EndProcess };

    NetworkMemoryGuard(unsigned storedDataMegabytes, unsigned endMegabytes,
                       unsigned marginMegabytes, double graceSeconds)
        : stored_(storedDataMegabytes),
          end_(endMegabytes),
          margin_(marginMegabytes),
          grace_(graceSeconds) {}

    Action look(double now, unsigned residentMegabytes) {
        if (residentMegabytes < stored_) cleared_ = false;
        if (residentMegabytes < end_) {
            endingPages_ = false;
        } else if (residentMegabytes >= end_ + margin_ ||
                   (endingPages_ && now - endingPagesSince_ >= grace_)) {
            // Ending the process ends what it held; the engine starts a new one.
            endingPages_ = false;
            cleared_ = false;
            return Action::EndProcess;
        } else if (!endingPages_) {
            endingPages_ = true;
            endingPagesSince_ = now;
            // Ending the pages clears their stored data too.
            cleared_ = true;
            return Action::EndPages;
        } else {
            return Action::None;
        }
        if (residentMegabytes >= stored_ && !cleared_) {
            cleared_ = true;
            return Action::ClearStoredData;
        }
        return Action::None;
    }

  private:
    unsigned stored_, end_, margin_;
    double grace_;
    bool cleared_ = false;
    bool endingPages_ = false;
    double endingPagesSince_ = 0;
};

}  // namespace platform::web
