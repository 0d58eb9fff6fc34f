#pragma once

// A session bus of the test's own, for tests of who reaches it: a dbus-daemon started with the
// system's session configuration (so services are activated as on a desktop) for the length of
// a scope, and what is connected to it now, asked of the bus itself. Its address goes into the
// environment only when the test puts it there (the processes the engine starts later inherit
// that), and the daemon is ended with its scope.

#include <sys/types.h>

#include <set>
#include <string>
#include <vector>

namespace platform::testing {

class PrivateSessionBus {
  public:
    // One connection to the bus: its unique name, the process behind it (0 when the bus could
    // not say) and the well-known names it owns.
    struct Connection {
        std::string uniqueName;
        pid_t process = 0;
        std::set<std::string> names;
    };

    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // Empty when dbus-daemon could not be started.
    const std::string& address() const { return address_; }
    pid_t daemon() const { return daemon_; }
    // Every connection but the bus's own and the one this asks on; empty when asking failed.
    std::vector<Connection> connections() const;
    // How many connections the bus has taken since it started, gone ones too (the bus numbers
    // them in turn): what was opened between two calls, however briefly, is the difference
    // less one (each call opens a connection of its own to ask). 0 when asking failed.
    unsigned long connectionsTaken() const;

  private:
    std::string address_;
    pid_t daemon_ = -1;
};

// A connection's process and names, for failure messages.
std::string describe(const std::vector<PrivateSessionBus::Connection>& connections);

}  // namespace platform::testing
