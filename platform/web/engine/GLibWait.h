#pragma once

// Waits on the main thread for an answer that GLib's default context will deliver (a script
// result, a snapshot), turning only that context: our own posted work, timers and delegate
// calls do not run meanwhile, so nothing of ours re-enters the caller.

#include <functional>

namespace platform::web {

// True once `done` holds; false when `timeout` seconds of real time passed first.
bool waitForGLib(const std::function<bool()>& done, double timeout);

}  // namespace platform::web
