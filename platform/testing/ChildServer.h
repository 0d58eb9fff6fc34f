#pragma once

// A server of another program (a Python fixture, say) in a child process, for the length of a
// scope. The program is started to bind a port the system chooses and to name it on its first
// line of output ("... http://127.0.0.1:PORT ..."), so no other program can take the port
// between our choosing it and the server binding it. The rest of its output is read and
// dropped on a thread of its own, so the server never blocks on a full pipe. The child is
// ended with SIGTERM and waited for when the scope ends.

#include <sys/types.h>

#include <string>
#include <thread>
#include <vector>

namespace platform::testing {

class ChildServer {
  public:
    // argv[0] is looked up on PATH. Without a port line (the program failed to start), port()
    // is 0 and running() false.
    explicit ChildServer(std::vector<std::string> argv);
    ~ChildServer();
    ChildServer(const ChildServer&) = delete;
    ChildServer& operator=(const ChildServer&) = delete;

    int port() const { return port_; }
    bool running() const;
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }

  private:
    int port_ = 0;
    pid_t pid_ = -1;
    std::thread drain_;
};

}  // namespace platform::testing
