#pragma once

// Turns GLib's default context (where GTK and WebKit deliver everything) with our main loop:
// every turn of MainLoop dispatches what GLib has ready and caps the loop's sleep at GLib's next
// timer. While the main loop sleeps, one watcher thread polls GLib's file descriptors (the web
// processes' sockets, the X connection, GLib's own wake-up) and wakes the loop when one becomes
// ready; that thread only ever calls poll() and MainLoop::wake(), never GLib. It is the one
// raw thread here: GLib has no way to wake a loop it does not run.

namespace platform::web {

class GLibPump {
  public:
    // Installs the pump on the main loop once per process; later calls do nothing. Main thread.
    static void install();
};

}  // namespace platform::web
