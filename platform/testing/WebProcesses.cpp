#include "platform/testing/WebProcesses.h"

#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "platform/web/ProcessWatch.h"

namespace platform::testing {

namespace {

// The fields of /proc/PID/stat after the command's closing parenthesis, and the command.
bool readStat(pid_t pid, std::string& comm, std::vector<std::string>& fields) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    auto close = line.rfind(')');
    auto open = line.find('(');
    if (close == std::string::npos || open == std::string::npos || close + 2 > line.size()) {
        return false;
    }
    comm = line.substr(open + 1, close - open - 1);
    std::istringstream rest(line.substr(close + 2));
    fields.assign(std::istream_iterator<std::string>(rest), {});
    return true;
}

// Live children of this process of the command, as the engine's own watch counts them.
std::vector<pid_t> children(std::string_view command) {
    std::vector<pid_t> found;
    for (long pid : platform::web::liveChildren(getpid(), command)) {
        found.push_back(static_cast<pid_t>(pid));
    }
    return found;
}

}  // namespace

std::vector<pid_t> webProcesses() {
    return children("WebKitWebProces");
}

std::vector<pid_t> networkProcesses() {
    return children("WebKitNetworkPr");
}

long residentKilobytes(const std::vector<pid_t>& pids) {
    long total = 0;
    for (pid_t pid : pids) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("VmRSS:", 0) == 0) total += std::atol(line.c_str() + 6);
        }
    }
    return total;
}

double cpuSeconds(const std::vector<pid_t>& pids) {
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    double total = 0;
    for (pid_t pid : pids) {
        std::string comm;
        std::vector<std::string> fields;
        // utime and stime are fields 14 and 15 of the line, 12 and 13 after the command.
        if (!readStat(pid, comm, fields) || fields.size() < 13) continue;
        total += (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / ticks;
    }
    return total;
}

double runnableSeconds(const std::vector<pid_t>& pids) {
    double total = 0;
    for (pid_t pid : pids) {
        std::error_code error;
        const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
        for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
            std::ifstream schedstat(task.path() / "schedstat");
            unsigned long long running = 0, waiting = 0;
            if (schedstat >> running >> waiting) total += double(running + waiting) / 1e9;
        }
    }
    return total;
}

namespace {

bool pinThreads(pid_t pid, const cpu_set_t& cores) {
    bool all = true;
    std::error_code error;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        const pid_t thread = std::atoi(task.path().filename().c_str());
        if (thread > 0 && sched_setaffinity(thread, sizeof cores, &cores) != 0) all = false;
    }
    return all && !error;
}

// Every thread of this process and of the engine's processes it started.
bool pinAll(const cpu_set_t& cores) {
    bool all = pinThreads(getpid(), cores);
    for (pid_t child : webProcesses()) all = pinThreads(child, cores) && all;
    for (pid_t child : networkProcesses()) all = pinThreads(child, cores) && all;
    return all;
}

}  // namespace

bool pinToCores(unsigned count) {
    cpu_set_t allowed;
    if (count == 0 || sched_getaffinity(0, sizeof allowed, &allowed) != 0) return false;
    cpu_set_t chosen;
    CPU_ZERO(&chosen);
    unsigned taken = 0;
    for (int core = 0; core < CPU_SETSIZE && taken < count; ++core) {
        if (CPU_ISSET(core, &allowed)) {
            CPU_SET(core, &chosen);
            ++taken;
        }
    }
    if (taken == 0) return false;
    return pinAll(chosen);
}

CoresPinned::CoresPinned(unsigned count)
    : saved_(sched_getaffinity(0, sizeof before_, &before_) == 0),
      pinned_(saved_ && pinToCores(count)) {}

CoresPinned::~CoresPinned() {
    if (saved_) pinAll(before_);
}

bool lowerPriority(int nice) {
    std::vector<pid_t> processes = webProcesses();
    const auto network = networkProcesses();
    processes.insert(processes.end(), network.begin(), network.end());
    processes.push_back(getpid());
    bool all = true;
    for (pid_t pid : processes) {
        std::error_code error;
        const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
        for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
            const auto thread = static_cast<id_t>(std::atoi(task.path().filename().c_str()));
            if (thread > 0 && setpriority(PRIO_PROCESS, thread, nice) != 0) all = false;
        }
        if (error) all = false;
    }
    return all;
}

int niceOf(pid_t pid) {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(pid));
    return errno == 0 ? nice : 0;
}

BusyProcesses::BusyProcesses(unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        const pid_t child = fork();
        if (child == 0) {
            // Nothing but the spin after the fork: this process has other threads, whose locks
            // the child would find taken.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            volatile bool spinning = true;
            while (spinning) {
            }
        }
        if (child > 0) processes_.push_back(child);
    }
}

BusyProcesses::~BusyProcesses() {
    for (pid_t child : processes_) kill(child, SIGKILL);
    for (pid_t child : processes_) waitpid(child, nullptr, 0);
}

unsigned coresAllowed(pid_t pid) {
    cpu_set_t cores;
    if (sched_getaffinity(pid, sizeof cores, &cores) != 0) return 0;
    return static_cast<unsigned>(CPU_COUNT(&cores));
}

}  // namespace platform::testing
