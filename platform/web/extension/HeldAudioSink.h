#pragma once

// The web process's audio sink: the desktop's sound server is reached only once a page plays
// sound, not as soon as it makes something that could. The engine makes an audio context's
// output as the context is made and readies it at once (GStreamer's autoaudiosink picks and
// opens its device as it is readied), so a page that made an AudioContext as it loaded
// connected its web process to the sound server untouched, though the context stayed
// suspended and played nothing until a tap. This sink, chosen by autoaudiosink above every
// other, is ready with nothing opened, and makes the real one (autoaudiosink's own choice of
// the rest) only as it is first asked to play or pause, which the engine does once the page
// may sound. It takes every property the engine's side gives the sink it picked, and keeps
// what was set: autoaudiosink's timestamp offset and clock sync, which it hands to the real
// one (autoaudiosink too, passing them to its device), and the engine's client name and stream
// role, which it hands to the device's sink as that is chosen; one set later is handed on at
// once. It holds its own lock only to read or write what was set, never while it calls into
// GStreamer: a property set on the device's sink is announced up its parents, taking each
// one's lock, and this sink is among them.
//
// Runs inside the web process: GLib and GStreamer only, none of our libraries.

namespace platform::web {

// Registers the sink; GStreamer must be initialized. False when it could not be.
bool registerHeldAudioSink();

}  // namespace platform::web
