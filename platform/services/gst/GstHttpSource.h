#pragma once

// The media player's source for http(s) items: a GStreamer element that fetches through the
// program's own network layer (platform::Connection) instead of GStreamer's libsoup source.
//
// Why not libsoup's: an item switched or freed while souphttpsrc was reading cancels its
// transfer, and libsoup 3.2 can end that message's input/output (an error or cancellation
// finishes it, a connection that goes drops it) while the body stream it handed out stays
// open. souphttpsrc releases that stream later on its session's thread, in its stream clear or
// when the cancelled read's task lets go of it, and closing it then skips the rest of the body
// through the ended input/output: a null pointer, SIGSEGV in g_input_stream_close (the game's
// cores, and ours under a page switching sources 20 times a second). No order of our state
// changes closes that window, since any stop of a reading source opens it; here nothing of a
// transfer outlives its cancellation.
//
// What it does, as a push source behind playbin's ring buffer: reads from the byte GStreamer
// asks for with "Range: bytes=<n>-", learns the length from "Content-Length" or
// "Content-Range", follows redirects within http(s), and reads at most kGstHttpReadAheadBytes
// ahead of what the pipeline took (then stops the transfer and asks again from there once half
// of that was taken: a paused video holds no connection and no growing buffer). A server that
// ignores ranges is read from the start and the bytes before the asked one are skipped. An
// answer other than 200 or 206, or a failed transfer, fails the item. Its start completes when
// the first answer's head has come (GStreamer's asynchronous start), so the length is known
// before a demuxer asks and no thread of the pipeline waits on the network for it.
//
// Threads: GStreamer's streaming thread waits in create() for bytes; the transfers start,
// answer and stop on the element's own serial queue. unlock() (a flush or a stop) wakes the
// streaming thread at once.

#include <cstddef>
#include <cstdint>

namespace platform::services {

// Registers the element for http and https (in any letter case), above libsoup's source, which
// it takes out of GStreamer's choice. Once, after gst_init.
bool registerGstHttpSource();

// Elements alive now (tests: a freed pipeline leaves none behind).
std::size_t gstHttpSourcesAlive();

inline constexpr std::size_t kGstHttpReadAheadBytes = 1 << 20;

}  // namespace platform::services
