#pragma once

// The web process's audio sink: the desktop's sound server is reached only once a page plays
// sound, not as soon as it makes something that could. The engine makes an audio context's
// output as the context is made and readies it at once (GStreamer's autoaudiosink picks and
// opens its device as it is readied), so a page that made an AudioContext as it loaded
// connected its web process to the sound server untouched, though the context stayed
// suspended and played nothing until a tap. This sink, chosen by autoaudiosink above every
// other, is ready with nothing opened, and makes the real one (autoaudiosink's own choice of
// the rest) only as it is first asked to play or pause, which the engine does once the page
// may sound. It passes on the two properties the engine gives the sink it picked (the
// client's name and the stream's role).
//
// Runs inside the web process: GLib and GStreamer only, none of our libraries.

namespace platform::web {

// Registers the sink; GStreamer must be initialized. False when it could not be.
bool registerHeldAudioSink();

}  // namespace platform::web
