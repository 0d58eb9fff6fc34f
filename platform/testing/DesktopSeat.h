#pragma once

// For WebKit tests: what a page could take of the desktop besides a window of the game's own
// connection (DesktopWindows): the pointer and the keyboard (a grab keeps them, and the cursor
// it sets, from every other program), the keyboard's focus, and windows of the engine's other
// processes, whose X connections are their own. Each is the X server's word, asked over a
// connection of our own. Main thread only; without a display everything reads as untouched.

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform::testing {

struct DesktopSeat {
    // Another program could take the pointer, or the keyboard, this moment: nobody holds it.
    bool pointerFree = true;
    bool keyboardFree = true;
    // The process whose window the keyboard's input goes to, as its toolkit named it on the
    // window (_NET_WM_PID); 0 for the root, none, or a window that names nobody. Other test
    // programs may share the display and move the focus among their own windows meanwhile.
    pid_t inputFocusOwner = 0;
};

DesktopSeat desktopSeat();

// The viewable top-level windows that the given processes made on the display, known by the
// process id their toolkit names on each (_NET_WM_PID); sorted.
std::vector<unsigned long> mappedWindowsOf(const std::vector<pid_t>& processes);

// One line for a failure message.
std::string describe(const DesktopSeat& seat);

}  // namespace platform::testing
