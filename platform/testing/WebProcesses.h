#pragma once

// For WebKit tests: the engine's processes this test process started (WebKit runs pages in
// child processes named "WebKitWebProcess", and their network and storage in ones named
// "WebKitNetworkProcess", one for each web context's data), and what they hold and use, read
// from /proc.

#include <sys/types.h>

#include <vector>

namespace platform::testing {

std::vector<pid_t> webProcesses();
std::vector<pid_t> networkProcesses();
// Their resident memory, in kilobytes, summed (processes gone meanwhile count nothing).
long residentKilobytes(const std::vector<pid_t>& pids);
// The CPU time they have used so far, user and system, in seconds, summed (likewise).
double cpuSeconds(const std::vector<pid_t>& pids);

}  // namespace platform::testing
