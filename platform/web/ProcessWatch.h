#pragma once

// The judgements of the engine's process watches, without the reading: the caller samples the
// process (its CPU time, its threads' waits, its resident memory, its line of /proc/<pid>/stat)
// and the clock, and hands them in; liveChildren alone reads /proc itself. Header only and
// standard library only, because the web-process extension, which links nothing of ours, keeps
// a BusyLedger too. Neither class is thread-safe: each belongs to one watch thread.

#include <algorithm>
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

// The live children of `parent` named `command` (isLiveChild), as /proc lists them now. The
// kernel lists each thread's children (task/<id>/children), which spares reading the line of
// every process on the machine; without those lists every process is read.
inline std::vector<long> liveChildren(long parent, std::string_view command) {
    std::vector<long> found;
    const auto take = [&](const std::string& name) {
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) return;
        std::ifstream stat("/proc/" + name + "/stat");
        std::string line;
        if (std::getline(stat, line) && isLiveChild(line, parent, command)) {
            found.push_back(std::stol(name));
        }
    };
    std::error_code error;
    const std::filesystem::path tasks = "/proc/" + std::to_string(parent) + "/task";
    if (std::filesystem::exists(tasks / std::to_string(parent) / "children", error)) {
        for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
            // A thread that ended meanwhile has no list; its children moved to another's.
            std::ifstream children(task.path() / "children");
            for (std::string name; children >> name;) take(name);
        }
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        return found;
    }
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        take(entry.path().filename());
    }
    return found;
}

// The share of a core the scheduler gives a thread of `nice` that wants it as much as one of
// normal priority beside it, as a fraction of what the normal one gets: its weight over normal
// priority's, in the kernel's table (a step of nice is about a factor of 1.25). 1 at normal
// priority and above.
inline double schedulerWeightShare(int nice) {
    static constexpr int kWeights[] = {1024, 820, 655, 526, 423, 335, 272, 215, 172, 137,
                                       110,  87,  70,  56,  45,  36,  29,  23,  18,  15};
    if (nice <= 0) return 1;
    return kWeights[std::min(nice, 19)] / 1024.0;
}

// The times a thread stopped to wait of its own accord (slept, waited for a lock, an event or
// input), from the text of /proc/<pid>/task/<id>/status; nullopt when it says nothing of them.
inline std::optional<std::uint64_t> readVoluntarySwitches(std::string_view status) {
    constexpr std::string_view kField = "voluntary_ctxt_switches:";
    for (std::size_t at = 0; at < status.size();) {
        const std::size_t end = std::min(status.find('\n', at), status.size());
        std::string_view line = status.substr(at, end - at);
        at = end + 1;
        if (line.substr(0, kField.size()) != kField) continue;
        line.remove_prefix(kField.size());
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            line.remove_prefix(1);
        }
        std::uint64_t count = 0;
        const auto [last, error] = std::from_chars(line.data(), line.data() + line.size(), count);
        if (error != std::errc() || last == line.data()) return std::nullopt;
        return count;
    }
    return std::nullopt;
}

// How long a process has been busy within a sliding window: the time its threads were
// runnable, running or ready and waiting for a core, summed over all of them. Counting the wait
// means a spinning page lasts no longer on a loaded machine, and summing the threads means many
// threads that each rest now and then cost what they take together; a thread that sleeps
// between frames adds little of either.
//
// Except where a thread waits by design: the scheduler gives a thread of a lower priority than
// normal (a game started with nice, and so its web processes) a share of a core in proportion
// to its weight whenever normal-priority work wants the same core, so an honest page waits
// most of the time beside such work while costing it little (an animation at nice 15 beside
// two busy programs ran 3% of a core and waited for 82% of one, and counted in full it was
// ended in 16 s). Such a thread's wait counts in proportion to its weight: the wait the same
// work would have had at normal priority. That holds for a thread that rested since the look
// before, whose work was done, however late; one that never rested between two looks wants a
// core for as long as it is given one, whatever its priority, and its whole wait counts, so a
// spinning thread lasts no longer at a low priority on a loaded machine either.
class BusyLedger {
  public:
    // A live thread as looked at: its id, the nanoseconds it has spent ready but waiting for a
    // core since it started, its nice, and the times it rested (stopped to wait of its own
    // accord) since it started. The rests are only asked of a thread of a lower priority than
    // normal; a thread at normal priority counts its whole wait whatever they are.
    struct Thread {
        long id = 0;
        std::uint64_t waitingNanoseconds = 0;
        int nice = 0;
        std::uint64_t rests = 0;
    };

    BusyLedger(double windowSeconds, double budgetSeconds)
        : window_(windowSeconds), budget_(budgetSeconds) {}

    // One look at `now` (seconds on any steady clock): the CPU time the process has used so far,
    // all its threads together (those that ended too, as the process's CPU clock counts them),
    // and its live threads. The first look only sets where counting starts. A thread first seen
    // later started after the look before, so all its wait counts (and all its rests); the wait
    // of a thread that started and ended between two looks is missed, its running is not.
    // Answers the busy seconds within the window.
    double look(double now, std::uint64_t cpuNanoseconds, const std::vector<Thread>& threads) {
        double runnable = 0;
        std::map<long, Seen> seen;
        for (const Thread& thread : threads) {
            seen[thread.id] = {thread.waitingNanoseconds, thread.rests};
            Seen before;
            const auto known = seen_.find(thread.id);
            // New, or a new thread under an ended one's id.
            if (known != seen_.end() && thread.waitingNanoseconds >= known->second.waiting &&
                thread.rests >= known->second.rests) {
                before = known->second;
            }
            const double waited = double(thread.waitingNanoseconds - before.waiting);
            const bool rested = thread.rests > before.rests;
            runnable += rested ? waited * schedulerWeightShare(thread.nice) : waited;
        }
        if (cpuNanoseconds > cpu_) runnable += double(cpuNanoseconds - cpu_);
        seen_ = std::move(seen);
        cpu_ = std::max(cpu_, cpuNanoseconds);
        if (looked_ && now > last_) slices_.emplace_back(now, runnable / 1e9);
        while (!slices_.empty() && slices_.front().first <= now - window_) slices_.pop_front();
        // Summed afresh: a running sum would keep what it rounded off.
        total_ = 0;
        for (const auto& slice : slices_) total_ += slice.second;
        looked_ = true;
        last_ = std::max(last_, now);
        return total_;
    }

    double busySeconds() const { return total_; }
    bool overBudget() const { return total_ > budget_; }

  private:
    struct Seen {
        std::uint64_t waiting = 0;
        std::uint64_t rests = 0;
    };

    double window_, budget_;
    bool looked_ = false;
    double last_ = 0;
    std::uint64_t cpu_ = 0;
    std::map<long, Seen> seen_;
    // (when the interval ended, the busy seconds it added)
    std::deque<std::pair<double, double>> slices_;
    double total_ = 0;
};

// The fastest a process of the engine can take memory, per second of CPU time of all its
// threads together, for the memory watches' schedules. Measured here (8 cores, up to 16 threads
// at once, every page touched): fresh memory of ordinary pages 2.3 GB per CPU second, of huge
// pages up to 10, and shared memory another process filled (how pages' data reaches a web
// process from the network process) mapped at up to 13.6. This is more than twice the fastest
// of those. Only a process mapping a file already in the page cache goes faster (up to 100 GB
// per CPU second, with the file system's large pages), and no page makes the engine do that.
inline constexpr double kFastestMemoryGrowthMegabytesPerCpuSecond = 32 * 1024;

// How long a memory watch may wait before it looks again: a process cannot take memory faster
// than its threads run, so the next look can wait until the process has used the CPU time the
// headroom (`headroomBytes` under the limit) would take at `bytesPerCpuSecond`, the fastest
// growth per CPU second; a process that rests costs its watch nothing, and one that allocates
// on every core is looked at as often as ever. Answers CPU seconds.
inline double cpuSecondsUntilNextLook(std::uint64_t headroomBytes, double bytesPerCpuSecond) {
    return bytesPerCpuSecond > 0 ? double(headroomBytes) / bytesPerCpuSecond : 0;
}

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

    // After a look at `residentMegabytes`: how much more the process may take before the guard
    // has something new to judge (the next level above), and the time by which it must look
    // again however little it takes (while the pages are being ended: the grace's end).
    unsigned headroomMegabytes(unsigned residentMegabytes) const {
        const unsigned level = residentMegabytes < stored_ && !cleared_ ? stored_
                               : residentMegabytes < end_               ? end_
                                                                        : end_ + margin_;
        return level > residentMegabytes ? level - residentMegabytes : 0;
    }
    std::optional<double> lookBy() const {
        if (!endingPages_) return std::nullopt;
        return endingPagesSince_ + grace_;
    }

  private:
    unsigned stored_, end_, margin_;
    double grace_;
    bool cleared_ = false;
    bool endingPages_ = false;
    double endingPagesSince_ = 0;
};

}  // namespace platform::web
