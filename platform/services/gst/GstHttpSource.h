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
// Nor Debian's other http source, curl's (plugins-bad): it takes a 206 of any range, makes a
// server that ignores ranges unseekable, where playbin's ring buffer needs every seek it asks
// for, and starts again from byte 0 on a retry.
//
// What it does, as a push source behind playbin's ring buffer: reads from the byte GStreamer
// asks for with "Range: bytes=<n>-" (at 0 too, so the first answer says whether the server
// reads by ranges), learns the length from "Content-Length" or "Content-Range", follows
// redirects within http(s), and reads at most kGstHttpReadAheadBytes ahead of what the
// pipeline took: the transfer's receive window holds it back there, and it reads on once half
// of that was taken. One transfer serves a whole play through; only a seek to bytes it has
// not kept asks again. A server that ignores ranges is read once from its start: a seek ahead
// reads on through the skipped bytes, the last kGstHttpKeptBehindBytes (up to a quarter more)
// behind the position, skipped or taken, are kept for a seek back, and a seek back past them
// reads it from its start again, once (a demuxer that looks at the end first needs that for a
// media larger than what is kept; a second would cost the whole media again: the item fails
// instead). Its start completes when the first answer's head has come (GStreamer's
// asynchronous start), so the length is known before a demuxer asks and no thread of the
// pipeline waits on the network for it. A length no head named (a chunked body's) is learnt at
// the body's end and given from then on (the base class asks only as it starts, so the element
// answers the query itself): the ring buffer sizes its reads at the end by it, rather than wait
// for an end of stream that queue2 drops when it comes while its reader flushes. A length once
// known never changes: a server that names another fails the item.
//
// After a seek, the first buffer is the bytes at the offset the new segment names, each one
// after starts where the last ended, and every buffer names its offset. Bytes it keeps go out
// at once, which is faster than playbin's ring buffer comes back from the seek it asked for;
// GstRingBufferGuard.h says why that overflowed the ring buffer's reads and how the player's
// pipeline keeps it from doing so.
//
// What one item may cost, whatever its server does; past any of these the item fails:
// - kGstHttpMaxRequests requests (an honest server needs one per seek to bytes not kept);
// - body bytes, skipped ones too, of kGstHttpFetchFactor times the furthest byte any answer
//   reached, plus kGstHttpFetchAllowance (a play through costs its length once);
// - kGstHttpMaxShortAnswers answers that end before the media's end having added less than
//   kGstHttpLeastAnswerBytes at the position (all skipped, one byte a request): the next one
//   fails the item;
// - kGstHttpMaxWholeReads reads from its start of a server that ignores ranges.
// A server that contradicts itself fails the item at once: a part after the whole or the
// whole after a part, another length than it gave before, another range than the one asked
// for, or more bytes than the range or the length it named. An answer other than 200, 206 or
// (past the end) 416, or a transfer that fails before its head, fails the item too; one cut
// off in its body is asked again from where it stopped, as an answer that ended early.
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
inline constexpr std::size_t kGstHttpKeptBehindBytes = 16 << 20;
inline constexpr int kGstHttpMaxRequests = 32;
inline constexpr std::uint64_t kGstHttpFetchFactor = 3;
inline constexpr std::uint64_t kGstHttpFetchAllowance = 32 << 20;
inline constexpr int kGstHttpMaxShortAnswers = 3;
inline constexpr std::uint64_t kGstHttpLeastAnswerBytes = 64 << 10;
inline constexpr int kGstHttpMaxWholeReads = 2;

}  // namespace platform::services
