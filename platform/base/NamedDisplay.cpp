#include "platform/base/NamedDisplay.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace platform {

std::optional<std::string> namedDisplay() {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return std::string(value);
    }
    return std::nullopt;
}

DisplayAsking askNamedDisplay(const std::function<DisplayAnswer()>& ask) {
    DisplayAsking asking;
    const int attempts = namedDisplay() ? DisplayAsking::kAttempts : 1;
    for (;;) {
        ++asking.attempts;
        asking.answer = ask();
        if (asking.answer != DisplayAnswer::Refused || asking.attempts == attempts) return asking;
        std::this_thread::sleep_for(
            std::chrono::milliseconds(asking.attempts * DisplayAsking::kPauseMilliseconds));
    }
}

}  // namespace platform
