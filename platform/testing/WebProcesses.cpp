#include "platform/testing/WebProcesses.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace platform::testing {

std::vector<pid_t> webProcesses() {
    std::vector<pid_t> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        auto close = line.rfind(')');
        auto open = line.find('(');
        if (close == std::string::npos || open == std::string::npos) continue;
        std::string comm = line.substr(open + 1, close - open - 1);
        std::istringstream rest(line.substr(close + 2));
        char state;
        pid_t parent = 0;
        rest >> state >> parent;
        if (parent == getpid() && comm.rfind("WebKitWebProces", 0) == 0) {
            found.push_back(static_cast<pid_t>(std::stoi(name)));
        }
    }
    return found;
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

}  // namespace platform::testing
