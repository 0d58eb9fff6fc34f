#include "platform/testing/RunMainLoopUntil.h"

#include <chrono>

#include "platform/runtime/MainLoop.h"

namespace platform::testing {

bool runMainLoopUntil(const std::function<bool()>& condition, double limitSeconds) {
    // Real time on purpose: the awaited events come from sockets, not from the test's clock.
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(limitSeconds));
    MainLoop& loop = MainLoop::main();
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        loop.runOnce(0.1);
    }
    return true;
}

}  // namespace platform::testing
