#pragma once

// The media player's source for http(s) items: a GStreamer element that fetches through the
// program's own network layer (platform::Connection) instead of GStreamer's libsoup source.
//
// Why not libsoup's: libsoup 3.2 ends a message's input/output when its transfer is cancelled
// or its connection goes (an item switched or freed while its source was reading), but the
// body stream it handed out stays open; souphttpsrc drops its last reference later on its
// session's thread (in its stream clear, or as the cancelled read's task is released), and
// closing that stream then reads the message's ended input/output: a null pointer, SIGSEGV.
// The game switches and frees items whenever a page asks, so no order of ours could keep that
// window closed; a source of our own has none, since nothing of a transfer outlives its
// cancellation here.
//
// What it does, as a push source behind playbin's ring buffer: reads from the byte GStreamer
// asks for with "Range: bytes=<n>-", learns the length from "Content-Length" or
// "Content-Range", follows redirects within http(s), and reads at most kReadAheadBytes ahead
// of what the pipeline took (then stops the transfer and asks again from there once half of
// that was taken: a paused video holds no connection and no growing buffer). A server that
// ignores ranges is read from the start and the bytes before the asked one are skipped. An
// answer other than 200 or 206, or a failed transfer, fails the item.
//
// Threads: GStreamer's streaming thread waits in create() for bytes; the transfers start,
// answer and stop on the element's own serial queue. unlock() (a flush or a stop) wakes the
// streaming thread at once.

#include <cstddef>
#include <cstdint>

namespace platform::services {

// Registers the element for http and https, above libsoup's source. Once, after gst_init.
bool registerGstHttpSource();

// Elements alive now (tests: a freed pipeline leaves none behind).
std::size_t gstHttpSourcesAlive();

inline constexpr std::size_t kGstHttpReadAheadBytes = 1 << 20;

}  // namespace platform::services
