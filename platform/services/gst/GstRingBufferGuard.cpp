#include "platform/services/gst/GstRingBufferGuard.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

namespace platform::services {

namespace {

// What the ring buffer reads for a pull of no stated size.
constexpr std::uint64_t kDefaultReadBytes = 4096;

// One ring buffer's guard, shared by its two probes. Reads come one at a time, each on the
// thread that pulls; a lock keeps it plain all the same.
struct Guard {
    GstElement* ringBuffer = nullptr;  // not held: the probes go with its pad
    std::mutex mutex;
    // Where the last read that returned bytes ended: a read there goes on in the range the
    // ring buffer is writing, and never makes it seek.
    std::optional<std::uint64_t> readEnd;
    // The byte limit to put back, while a read holds it lowered.
    std::optional<guint> limit;
};

using GuardRef = std::shared_ptr<Guard>;

Guard& guardOf(gpointer data) {
    return **static_cast<GuardRef*>(data);
}

void freeGuardRef(gpointer data) {
    delete static_cast<GuardRef*>(data);
}

// Setting the limit takes the ring buffer's lock (and wakes its writer): never under ours.
void setLimit(Guard& guard, guint bytes) {
    g_object_set(guard.ringBuffer, "max-size-bytes", bytes, nullptr);
}

void restoreLimit(Guard& guard) {
    std::optional<guint> limit;
    {
        std::lock_guard lock(guard.mutex);
        limit.swap(guard.limit);
    }
    if (limit) setLimit(guard, *limit);
}

GstPadProbeReturn onReadStarts(GstPad*, GstPadProbeInfo* info, gpointer data) {
    Guard& guard = guardOf(data);
    std::uint64_t size = info->size == guint(-1) ? kDefaultReadBytes : info->size;
    bool jump = true;
    {
        std::lock_guard lock(guard.mutex);
        jump = guard.readEnd != info->offset;
        // Known again once this read returns.
        guard.readEnd.reset();
    }
    // A read that failed (flushed by the demuxer's own seek, say) left its limit lowered.
    restoreLimit(guard);
    if (jump && size > 0) {
        guint limit = 0;
        g_object_get(guard.ringBuffer, "max-size-bytes", &limit, nullptr);
        // A read of the limit or more gets at most the limit from the ring buffer anyway.
        if (limit > 0 && size < limit) {
            {
                std::lock_guard lock(guard.mutex);
                guard.limit = limit;
            }
            setLimit(guard, guint(size));
        }
    }
    // Pass: a blocking probe that only watches.
    return GST_PAD_PROBE_PASS;
}

GstPadProbeReturn onReadEnds(GstPad*, GstPadProbeInfo* info, gpointer data) {
    Guard& guard = guardOf(data);
    {
        std::lock_guard lock(guard.mutex);
        guard.readEnd = info->offset + gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info));
    }
    restoreLimit(guard);
    return GST_PAD_PROBE_OK;
}

}  // namespace

void guardGstRingBufferSeeks(GstElement* ringBuffer) {
    GstPad* src = gst_element_get_static_pad(ringBuffer, "src");
    if (!src) return;
    auto guard = std::make_shared<Guard>();
    guard->ringBuffer = ringBuffer;
    gst_pad_add_probe(src, GstPadProbeType(GST_PAD_PROBE_TYPE_PULL | GST_PAD_PROBE_TYPE_BLOCK),
                      &onReadStarts, new GuardRef(guard), &freeGuardRef);
    gst_pad_add_probe(src, GstPadProbeType(GST_PAD_PROBE_TYPE_PULL | GST_PAD_PROBE_TYPE_BUFFER),
                      &onReadEnds, new GuardRef(guard), &freeGuardRef);
    gst_object_unref(src);
}

}  // namespace platform::services
