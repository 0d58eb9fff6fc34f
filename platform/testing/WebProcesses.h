#pragma once

// For WebKit tests: the engine's processes this test process started (WebKit runs pages in
// child processes named "WebKitWebProcess", and their network and storage in ones named
// "WebKitNetworkProcess", one for each web context's data), and what they hold and use, read
// from /proc.

#include <sched.h>
#include <sys/types.h>

#include <vector>

namespace platform::testing {

std::vector<pid_t> webProcesses();
std::vector<pid_t> networkProcesses();
// Their resident memory, in kilobytes, summed (processes gone meanwhile count nothing).
long residentKilobytes(const std::vector<pid_t>& pids);
// The CPU time they have used so far, user and system, in seconds, summed (likewise).
double cpuSeconds(const std::vector<pid_t>& pids);
// The time their live threads have been runnable, running or waiting for a core, in seconds,
// summed (likewise), as the engine's busy watch counts it.
double runnableSeconds(const std::vector<pid_t>& pids);

// Lets every thread of this process, and of the engine's processes it started, run on the first
// `count` cores it may use (all of them when it may use fewer), as a machine with that many
// would; what they start later inherits it. False when it cannot.
bool pinToCores(unsigned count);
// pinToCores for as long as it lives; then this process and the engine's processes may run
// wherever this process could before, so that the tests after it in the same run have every
// core again.
class CoresPinned {
  public:
    explicit CoresPinned(unsigned count);
    ~CoresPinned();
    CoresPinned(const CoresPinned&) = delete;
    CoresPinned& operator=(const CoresPinned&) = delete;
    bool pinned() const { return pinned_; }

  private:
    cpu_set_t before_{};
    bool saved_ = false;
    bool pinned_ = false;
};
// How many cores a process may run on.
unsigned coresAllowed(pid_t pid);

// Gives every thread of this process, and of the engine's processes it started, the nice value
// `nice` (a lower priority than normal), as starting the program under nice would; what they
// start later inherits it. No process may take its priority back without privilege, so a test
// that does this needs a process of its own (ctest gives each test one). False when it cannot.
bool lowerPriority(int nice);
// Its nice value, as the scheduler has it.
int niceOf(pid_t pid);

// Other programs' load beside a test: `count` processes that keep a core busy each, at this
// process's priority and on the cores it may use when they start, for as long as the scope
// lives. Each ends with the scope, or with this process should it die first.
class BusyProcesses {
  public:
    explicit BusyProcesses(unsigned count);
    ~BusyProcesses();
    BusyProcesses(const BusyProcesses&) = delete;
    BusyProcesses& operator=(const BusyProcesses&) = delete;
    const std::vector<pid_t>& processes() const { return processes_; }

  private:
    std::vector<pid_t> processes_;
};

}  // namespace platform::testing
