#include "platform/testing/DesktopSeat.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cstdlib>

namespace platform::testing {

namespace {

Display* openOwnConnection() {
    const char* name = std::getenv("DISPLAY");
    return name && *name ? XOpenDisplay(name) : nullptr;
}

// The process id a toolkit wrote on the window, or 0.
pid_t ownerOf(Display* display, Window window, Atom pidAtom) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    pid_t pid = 0;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        type == XA_CARDINAL && format == 32 && count == 1 && data) {
        pid = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data));
    }
    if (data) XFree(data);
    return pid;
}

}  // namespace

DesktopSeat desktopSeat() {
    DesktopSeat seat;
    Display* display = openOwnConnection();
    if (!display) return seat;
    const Window root = DefaultRootWindow(display);
    // A grab held by anyone makes ours fail at once; ours is let go again before anyone
    // could notice it.
    seat.pointerFree = XGrabPointer(display, root, False, ButtonPressMask, GrabModeAsync,
                                    GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
    if (seat.pointerFree) XUngrabPointer(display, CurrentTime);
    seat.keyboardFree = XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync,
                                      CurrentTime) == GrabSuccess;
    if (seat.keyboardFree) XUngrabKeyboard(display, CurrentTime);
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    // The toolkit names its top-level windows, so the focus is followed up to the root's child.
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    while (focus != None && focus != PointerRoot && focus != root) {
        if (const pid_t owner = ownerOf(display, focus, pidAtom)) {
            seat.inputFocusOwner = owner;
            break;
        }
        Window top = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, focus, &top, &parent, &children, &count)) break;
        if (children) XFree(children);
        focus = parent;
    }
    XCloseDisplay(display);
    return seat;
}

std::vector<unsigned long> mappedWindowsOf(const std::vector<pid_t>& processes) {
    std::vector<unsigned long> mapped;
    Display* display = openOwnConnection();
    if (!display) return mapped;
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count; ++i) {
            const pid_t owner = ownerOf(display, children[i], pidAtom);
            if (owner == 0 ||
                std::find(processes.begin(), processes.end(), owner) == processes.end()) {
                continue;
            }
            XWindowAttributes attributes;
            // A window destroyed since the tree was read has no attributes: it shows nothing.
            if (XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable) {
                mapped.push_back(children[i]);
            }
        }
        if (children) XFree(children);
    }
    XCloseDisplay(display);
    std::sort(mapped.begin(), mapped.end());
    return mapped;
}

std::string describe(const DesktopSeat& seat) {
    return std::string("pointer ") + (seat.pointerFree ? "free" : "held") + ", keyboard " +
           (seat.keyboardFree ? "free" : "held") + ", focus on process " +
           std::to_string(seat.inputFocusOwner);
}

}  // namespace platform::testing
