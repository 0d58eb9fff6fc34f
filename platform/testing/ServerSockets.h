#pragma once

// Close-on-exec sockets for our loopback HTTP servers, so a child process a test or the ad
// server starts meanwhile (WebKit's web processes) holds neither the listening socket nor a
// connection being served.

#include <httplib.h>

namespace platform::testing {

// Gives `server` httplib's usual socket options plus close-on-exec for its listening socket.
// The sockets it accepts are close-on-exec from the start in every process that links this.
void makeServerSocketsCloseOnExec(httplib::Server& server);

}  // namespace platform::testing
