#pragma once

// An X display of its own for one test, standing in front of the display the environment
// names: it turns its first clients away (the connection is closed before the server's
// greeting, as an X server with a full queue of waiting connections does on a busy machine)
// and joins every later one to the real display. With more refusals than any client makes,
// it is a display that never lets anyone in, and needs no real display behind it.
//
// It listens on the abstract socket of a display number nobody uses, which X clients try
// first, and writes an authority file that lets clients of that number in with the real
// display's cookie (none when the real display has no authority file).

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/testing/TempDir.h"

namespace platform::testing {

class RefusingDisplay {
  public:
    explicit RefusingDisplay(int refusals);
    ~RefusingDisplay();
    RefusingDisplay(const RefusingDisplay&) = delete;
    RefusingDisplay& operator=(const RefusingDisplay&) = delete;

    // Why it could not listen (empty when it does).
    const std::string& error() const { return error_; }
    bool listening() const { return listener_ >= 0; }
    // ":N", for DISPLAY.
    std::string name() const { return ":" + std::to_string(number_); }
    // For XAUTHORITY.
    std::string authorityFile() const { return authority_; }

    int refused() const { return refused_.load(); }
    int joined() const { return joined_.load(); }

  private:
    void acceptLoop();
    void relay(int client);
    void writeAuthority();

    int number_ = -1;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    const int refusals_;
    std::atomic<int> refused_{0};
    std::atomic<int> joined_{0};
    std::string error_;
    TempDir dir_;
    std::string authority_;
    std::thread acceptor_;
    std::mutex relaysMutex_;
    std::vector<std::thread> relays_;
};

}  // namespace platform::testing
