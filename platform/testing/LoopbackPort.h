#pragma once

// Loopback ports for tests and benchmarks that start a server in another process: one that is
// free now, and whether a server accepts on one yet.

namespace platform::testing {

// A port on 127.0.0.1 that nothing listened on a moment ago (0 when none could be had).
int freeLoopbackPort();
// Whether something accepts connections on 127.0.0.1:port.
bool loopbackAccepts(int port);

}  // namespace platform::testing
