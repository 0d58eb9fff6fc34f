#pragma once

// What the engine writes to the game's log that no one page can be held to: the messages GLib
// carries for the libraries of the game's process (WebKit's side of it, GTK, GLib itself, and
// whatever else logs through GLib here), and lines about a view no page's budget covers (the
// runtime's anchors, a download without a view). A page can cause these too, so they have a
// budget of their own, which starts over every kEngineLogPeriodSeconds.
//
// GLib's messages reach LogSink (escaped, never raw on stderr): errors and criticals always,
// since they are faults to be seen (a test that makes them fatal still ends on them: the
// writer only writes); warnings and messages out of the budget; debug and info only where
// G_MESSAGES_DEBUG asks for them, out of the budget too.

#include "platform/base/LogBudget.h"

namespace platform::web {

inline constexpr std::uint32_t kEngineLogLines = 100;
inline constexpr double kEngineLogPeriodSeconds = 60;

// The engine's budget; spent with the seconds of GLib's monotonic clock.
LogBudget& engineLog();
double engineLogNow();

// Routes GLib's messages of this process to the log as above. Once, from the runtime's
// start-up, before GTK is opened; later calls do nothing.
void installGLibLogWriter();

// From now on GObject's type errors (an object used as a type it is not: "invalid cast from
// 'GdkOffscreenWindow' to 'GdkWindowImplX11'") end the process where they are raised, after
// their line is written. GLib only warns of them, and the code after a failed cast goes on
// with what it got; tests ask for it, as they do for criticals. Before any thread may log.
void makeTypeErrorsFatal();

}  // namespace platform::web
