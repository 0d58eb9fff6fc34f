#include "platform/testing/ChildServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/testing/LoopbackPort.h"

namespace platform::testing {

ChildServer::ChildServer(std::vector<std::string> argv) {
    int out[2];
    if (argv.empty() || ::pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        std::vector<char*> args;
        for (auto& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(out[1]);
    if (pid_ < 0) {
        ::close(out[0]);
        return;
    }
    // The first line comes once it listens; a program that failed to start ends the pipe.
    std::string line;
    char c = 0;
    while (::read(out[0], &c, 1) == 1 && c != '\n') line += c;
    const std::string mark = "http://127.0.0.1:";
    if (auto at = line.find(mark); at != std::string::npos)
        port_ = std::atoi(line.c_str() + at + mark.size());
    drain_ = std::thread([fd = out[0]] {
        char buffer[4096];
        while (::read(fd, buffer, sizeof buffer) > 0) {
        }
        ::close(fd);
    });
}

ChildServer::~ChildServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    if (drain_.joinable()) drain_.join();
}

bool ChildServer::running() const {
    return pid_ > 0 && port_ > 0 && loopbackAccepts(port_);
}

}  // namespace platform::testing
