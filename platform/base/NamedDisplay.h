#pragma once

// The display the environment names for windows, and how a program asks it. A display server
// on a busy machine turns a new client away now and then (an X server whose queue of waiting
// connections is full answers "resource temporarily unavailable", or resets the connection),
// so a named display is asked again, a little later each time, before a program gives up on
// it. Without a named display there is nothing to wait for, and it is asked once. The game's
// window and the web engine ask through this, so the two keep one rule.

#include <functional>
#include <optional>
#include <string>

namespace platform {

// DISPLAY, else WAYLAND_DISPLAY, when set and not empty.
std::optional<std::string> namedDisplay();

enum class DisplayAnswer {
    Opened,
    Refused,  // worth asking again
    Failed,   // the program's own set-up failed; asking again changes nothing
};

struct DisplayAsking {
    // How often a named display is asked, and the pause after the first refusal (it grows by
    // as much after each further one: 50, 100, 150, 200 ms).
    static constexpr int kAttempts = 5;
    static constexpr int kPauseMilliseconds = 50;

    DisplayAnswer answer = DisplayAnswer::Refused;
    int attempts = 0;
};

// Calls `ask` until it answers other than Refused, or the attempts are used up.
DisplayAsking askNamedDisplay(const std::function<DisplayAnswer()>& ask);

}  // namespace platform
