#pragma once

// A program of ours that talks over sockets it does not own the writes of (the X libraries'
// connection to the display, the sound server's, a pipe to a reader that went away) must not
// be ended by SIGPIPE when the other side closes first: a display that turns a connection away
// under load did that to the game. With the signal ignored, such a write fails with EPIPE,
// which those libraries report as a lost connection, and the program carries on or says why
// it stops.
//
// Called once at the top of main, before any thread starts. A handler someone already set
// (a host's, a debugger's) is kept.

namespace platform {

void ignoreBrokenPipes();

}  // namespace platform
