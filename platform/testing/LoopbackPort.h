#pragma once

// Whether a server (another process's, see ChildServer) accepts on a loopback port.

namespace platform::testing {

// Whether something accepts connections on 127.0.0.1:port.
bool loopbackAccepts(int port);

}  // namespace platform::testing
