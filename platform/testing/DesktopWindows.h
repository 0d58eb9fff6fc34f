#pragma once

// For WebKit tests: the windows this process shows on the display, so a test can say that a
// page opened none. Asked twice over: GTK for its toplevels (the engine's module runs on the
// same GTK as the test that links this), leaving out the offscreen windows that web views draw
// in, and the X server for the root window's children that GTK's connection made and that are
// mapped (the virtual display is shared with other test programs running at the same time).
// Main thread only; empty lists without a display.

#include <string>
#include <vector>

namespace platform::testing {

struct DesktopWindows {
    // The type name of every GTK toplevel that is not offscreen, with its child's after a
    // "/" and " (shown)" after both when it is visible; sorted. ("GtkWindow/GtkMenu" is a
    // pop-up menu's window, made hidden before the menu is offered.)
    std::vector<std::string> gtkToplevels;
    // Those of them that are visible.
    std::vector<std::string> shownGtkToplevels;
    // The root window's viewable children of ours, by X id; sorted.
    std::vector<unsigned long> mappedRootChildren;
    // All of the root window's children of ours, mapped or not.
    int rootChildren = 0;
};

DesktopWindows desktopWindows();

// One line for a failure message.
std::string describe(const DesktopWindows& windows);

}  // namespace platform::testing
