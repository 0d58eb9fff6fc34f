#include "platform/testing/DesktopWindows.h"

#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cstdlib>

namespace platform::testing {

namespace {

void askGtk(DesktopWindows& out) {
    // Before the engine opened the display GTK has no windows to tell of.
    if (!gdk_display_get_default()) return;
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* item = toplevels; item; item = item->next) {
        GtkWidget* window = GTK_WIDGET(item->data);
        if (GTK_IS_OFFSCREEN_WINDOW(window)) continue;
        std::string name = G_OBJECT_TYPE_NAME(window);
        // A pop-up's window tells little by itself: what it holds says whose it is.
        if (GtkWidget* child = gtk_bin_get_child(GTK_BIN(window))) {
            name += std::string("/") + G_OBJECT_TYPE_NAME(child);
        }
        if (gtk_widget_get_visible(window)) {
            name += " (shown)";
            out.shownGtkToplevels.push_back(name);
        }
        out.gtkToplevels.push_back(name);
    }
    g_list_free(toplevels);
    std::sort(out.gtkToplevels.begin(), out.gtkToplevels.end());
    std::sort(out.shownGtkToplevels.begin(), out.shownGtkToplevels.end());
}

void askX(DesktopWindows& out) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return;
    // Other test programs share the virtual display and map windows of their own meanwhile:
    // only the windows GTK's connection knows are ours, and before GTK opened the display
    // there are none.
    GdkDisplay* gdk = gdk_display_get_default();
    if (!gdk || !GDK_IS_X11_DISPLAY(gdk)) return;
    // A connection of our own: the server's answer, not GTK's idea of it.
    Display* display = XOpenDisplay(name);
    if (!display) return;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count; ++i) {
            if (!gdk_x11_window_lookup_for_display(gdk, children[i])) continue;
            ++out.rootChildren;
            XWindowAttributes attributes;
            // A window destroyed since the tree was read has no attributes: it shows nothing.
            if (XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable) {
                out.mappedRootChildren.push_back(children[i]);
            }
        }
        if (children) XFree(children);
    }
    XCloseDisplay(display);
    std::sort(out.mappedRootChildren.begin(), out.mappedRootChildren.end());
}

}  // namespace

DesktopWindows desktopWindows() {
    DesktopWindows windows;
    askGtk(windows);
    askX(windows);
    return windows;
}

std::string describe(const DesktopWindows& windows) {
    std::string text = "GTK toplevels: [";
    for (std::size_t i = 0; i < windows.gtkToplevels.size(); ++i) {
        text += (i ? ", " : "") + windows.gtkToplevels[i];
    }
    text += "]; mapped root children: " + std::to_string(windows.mappedRootChildren.size()) +
            " of " + std::to_string(windows.rootChildren);
    return text;
}

}  // namespace platform::testing
