#pragma once

// Keeps playbin's ring buffer (queue2 in memory, GStreamer 1.22) from copying more into a
// demuxer's read than the read asked for.
//
// A read whose offset the ring buffer holds in none of its ranges, and that lies too far from
// the range being written, makes it ask the source to seek there; it lets go of its lock while
// the seek runs, and back from it does not look again at what the source wrote meanwhile. It
// takes the distance from the offset to where the source's bytes end, and when that reaches
// its byte limit ("max-size-bytes", 2 MiB) it copies the whole limit into the read's buffer;
// when the source also sent its end, it copies everything up to the end. The read's buffer is
// the size the demuxer asked for (64 KiB, say): a heap overflow of up to 2 MiB, then a critical
// (gst_buffer_resize_range: "bufmax >= bufoffs + offset + size") as it sizes the buffer to what
// it copied, and a heap that fails later (double free, a crash in g_slice_alloc). A source that
// answers over the network is never that quick; ours answers from what it keeps (all of a
// server that ignores ranges, 1 MiB ahead of any other) within microseconds, while the reader
// is still coming back from the seek, and the source's thread, taking the ring buffer's lock
// for every buffer, wins it over the reader again and again.
//
// The guard: a read that does not start where the last one ended (the only kind that can make
// the ring buffer seek: a read where the last one ended goes on in the range it came from) sets
// the byte limit to its own size as it starts, and the limit is put back as it returns (or as
// the next read starts, after a read that failed). The ring buffer takes its limit once, as a
// read starts, and the source's thread is held by the same limit: whatever the source wrote
// before the reader came back is at most what the read asked for, and the "full, so read what
// is there" branch reads exactly that. Whenever the reader waits instead, less than the limit
// lies ahead of it, so the source writes on and wakes it: nothing waits on anything new.

#include <gst/gst.h>

namespace platform::services {

// On a queue2 whose source pad a demuxer reads in pull mode (playbin's ring buffer), before it
// runs; the guard goes with the element's pad.
void guardGstRingBufferSeeks(GstElement* ringBuffer);

}  // namespace platform::services
