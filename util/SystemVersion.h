#pragma once

#include <string>

namespace util {

// The operating-system checks the shell's code asks. The system version is the device's
// (platform::DeviceInfo, "8.4"); the checks are prefix tests on the version text, so any later
// version counts as supporting all of them.
std::string SystemVersion();

bool SystemSupportsMultitasking();
bool SystemSupportsOS3();
bool SystemSupportsOS4();
bool SystemSupportsOS5(const std::string& version = SystemVersion());
bool SystemSupportsOS6(const std::string& version = SystemVersion());
bool SystemSupportsOS7(const std::string& version = SystemVersion());
bool SystemSupportsOS8(const std::string& version = SystemVersion());

}  // namespace util
