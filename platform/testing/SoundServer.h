#pragma once

// A stand-in for the desktop's sound server, for tests of who reaches it: a Unix socket of the
// test's own, in a folder of its own, that sound clients are pointed at (the test puts
// address() in PULSE_SERVER before the engine starts its processes, which inherit it), and who
// connected to it, by process. Each connection is taken and closed at once, so a client fails
// as against a server that turns it away, without waiting. A thread of its own takes them, so
// no client waits on the test's loop; it ends with the scope.

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/testing/TempDir.h"

namespace platform::testing {

class SoundServerStandIn {
  public:
    SoundServerStandIn();
    ~SoundServerStandIn();
    SoundServerStandIn(const SoundServerStandIn&) = delete;
    SoundServerStandIn& operator=(const SoundServerStandIn&) = delete;

    // "unix:<path>", as PULSE_SERVER names a server; empty when the socket could not be made.
    const std::string& address() const { return address_; }
    // What a client needs in its environment: PULSE_SERVER, and a cookie file and a client
    // configuration (no autospawn) in the stand-in's folder, so that a client that connected
    // writes no cookie into the user's home.
    std::vector<std::pair<std::string, std::string>> clientEnvironment() const;
    // The process of each connection so far, in the order they came (0 when the kernel could
    // not say).
    std::vector<pid_t> callers() const;

  private:
    void serve();

    TempDir folder_;
    std::string address_;
    int listening_ = -1;
    // Written to end the thread.
    int stop_[2] = {-1, -1};
    mutable std::mutex mutex_;
    std::vector<pid_t> callers_;
    std::thread thread_;
};

}  // namespace platform::testing
