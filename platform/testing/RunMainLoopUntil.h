#pragma once

// For tests that wait on real sockets: turns the main loop until a condition holds. Each turn
// blocks in the loop's runOnce() until something is posted (a network event, say) or a tenth
// of a second passes, so the wait ends as soon as the awaited event arrives; nothing sleeps.
// Works with the manual clock installed, since posted work does not depend on it.

#include <functional>

namespace platform::testing {

// True once `condition` holds; false when `limitSeconds` of real time passed first. Call it
// on the thread that owns the main loop.
bool runMainLoopUntil(const std::function<bool()>& condition, double limitSeconds = 10);

}  // namespace platform::testing
