#pragma once

// Memory of a process and of every process it started (WebKit's web and network processes),
// from /proc/<pid>/smaps_rollup: RSS, PSS and private memory (Private_Clean + Private_Dirty,
// what the process alone costs the machine). For the benchmarks only.

#include <sys/types.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace bench {

struct ProcessMemory {
    pid_t pid = 0;
    std::string name;
    double rssMB = 0;
    double pssMB = 0;
    double privateMB = 0;
};

inline ProcessMemory processMemory(pid_t pid) {
    ProcessMemory m;
    m.pid = pid;
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::getline(comm, m.name);
    std::ifstream smaps("/proc/" + std::to_string(pid) + "/smaps_rollup");
    auto kB = [](const std::string& line, std::size_t at) {
        return std::stod(line.substr(at)) / 1024.0;
    };
    for (std::string line; std::getline(smaps, line);) {
        if (line.rfind("Rss:", 0) == 0) m.rssMB += kB(line, 4);
        if (line.rfind("Pss:", 0) == 0) m.pssMB += kB(line, 4);
        if (line.rfind("Private_Clean:", 0) == 0) m.privateMB += kB(line, 14);
        if (line.rfind("Private_Dirty:", 0) == 0) m.privateMB += kB(line, 14);
    }
    return m;
}

// The process and its descendants, the root first.
inline std::vector<ProcessMemory> processTreeMemory(pid_t root) {
    std::vector<ProcessMemory> all{processMemory(root)};
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string text;
        std::getline(stat, text);
        auto close = text.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(text.substr(close + 2));
        char state;
        pid_t parent = 0;
        rest >> state >> parent;
        if (parent != root) continue;
        for (auto& child : processTreeMemory(static_cast<pid_t>(std::stoi(name))))
            all.push_back(child);
    }
    return all;
}

inline ProcessMemory total(const std::vector<ProcessMemory>& processes) {
    ProcessMemory sum;
    sum.name = "total";
    for (const auto& p : processes) {
        sum.rssMB += p.rssMB;
        sum.pssMB += p.pssMB;
        sum.privateMB += p.privateMB;
    }
    return sum;
}

}  // namespace bench
