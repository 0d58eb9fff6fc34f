#pragma once

// For WebKit tests: the engine's web processes this test process started (WebKit runs pages
// in child processes named "WebKitWebProcess"), and what they hold, read from /proc.

#include <sys/types.h>

#include <vector>

namespace platform::testing {

std::vector<pid_t> webProcesses();
// Their resident memory, in kilobytes, summed (processes gone meanwhile count nothing).
long residentKilobytes(const std::vector<pid_t>& pids);

}  // namespace platform::testing
