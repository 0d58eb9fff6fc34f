// Playbin's ring buffer (queue2 in memory) fed by our source and read by byte ranges, as a
// demuxer reads it, with the ring buffer's own seeks answered at the worst moment.

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/services/gst/GstHttpSource.h"
#include "platform/services/gst/GstMediaPlayerBackend.h"
#include "platform/services/gst/GstRingBufferGuard.h"
#include "platform/testing/MediaAnswers.h"

namespace platform::services {
namespace {

using platform::testing::MediaAnswerKind;
using platform::testing::MediaServer;

constexpr std::uint64_t kKiB = 1 << 10;
constexpr std::uint64_t kMiB = 1 << 20;

// Bytes that differ at every offset, so a read from the wrong place shows.
std::string numberedBytes(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t x = 2463534242u;
    for (auto& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x);
    }
    return bytes;
}

// Our source and a ring buffer of 16 MiB as playbin makes it, read in pull mode from the
// test's own pad. A seek the ring buffer sends the source while `slowSeeks` is on returns to
// the ring buffer only once the source has written all it can without a read: the byte limit
// of the ring buffer, or its end; the seeking reader was merely slow to come back.
class RingBufferReader {
  public:
    RingBufferReader(const std::string& url, bool guarded) {
        pipeline_ = gst_pipeline_new(nullptr);
        source_ = gst_element_make_from_uri(GST_URI_SRC, url.c_str(), nullptr, nullptr);
        queue_ = gst_element_factory_make("queue2", nullptr);
        g_object_set(queue_, "use-buffering", TRUE, "ring-buffer-max-size",
                     guint64(GstMediaPlayerBackend::kStreamBufferBytes), "max-size-buffers", 0,
                     nullptr);
        if (guarded) guardGstRingBufferSeeks(queue_);
        gst_bin_add_many(GST_BIN(pipeline_), source_, queue_, nullptr);
        gst_element_link(source_, queue_);
        reader_ = gst_pad_new("reader", GST_PAD_SINK);
        GstPad* out = gst_element_get_static_pad(queue_, "src");
        gst_pad_link(out, reader_);
        gst_object_unref(out);
        gst_pad_activate_mode(reader_, GST_PAD_MODE_PULL, TRUE);
        GstPad* in = gst_element_get_static_pad(queue_, "sink");
        gst_pad_add_probe(
            in,
            GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                            GST_PAD_PROBE_TYPE_EVENT_FLUSH),
            &RingBufferReader::onWritten, this, nullptr);
        gst_pad_add_probe(in, GST_PAD_PROBE_TYPE_EVENT_UPSTREAM, &RingBufferReader::onSeek, this,
                          nullptr);
        in_ = in;
        gst_element_set_state(pipeline_, GST_STATE_PLAYING);
    }
    ~RingBufferReader() {
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        gst_pad_activate_mode(reader_, GST_PAD_MODE_PULL, FALSE);
        gst_object_unref(in_);
        gst_object_unref(reader_);
        gst_object_unref(pipeline_);
    }
    RingBufferReader(const RingBufferReader&) = delete;
    RingBufferReader& operator=(const RingBufferReader&) = delete;

    void setSlowSeeks(bool slow) { slowSeeks_ = slow; }
    int slowSeeksSeen() const { return slowSeen_; }

    // The source's next end of stream reaches the ring buffer while its reader flushes (as a
    // demuxer's seek flushes it), which drops it; returns once the ring buffer has done so,
    // its reader's flush over.
    void dropNextEnd() {
        {
            std::lock_guard lock(mutex_);
            dropEnd_ = true;
            ended_ = false;
        }
    }
    void waitForDroppedEnd() {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return ended_; });
        }
        GST_PAD_STREAM_LOCK(in_);
        GST_PAD_STREAM_UNLOCK(in_);
        gst_pad_push_event(reader_, gst_event_new_flush_stop(FALSE));
    }

    // A pull that may never return (the ring buffer waiting for an end it dropped): what it
    // gave, or nothing if it had not returned within `seconds`, then flushed away.
    std::optional<std::string> pullWithin(std::uint64_t offset, guint size, double seconds) {
        auto got = std::async(std::launch::async, [=, this] { return pull(offset, size); });
        if (got.wait_for(std::chrono::duration<double>(seconds)) == std::future_status::ready)
            return got.get();
        gst_pad_push_event(reader_, gst_event_new_flush_start());
        got.wait();
        gst_pad_push_event(reader_, gst_event_new_flush_stop(FALSE));
        return std::nullopt;
    }

    // What a pull of `size` bytes at `offset` gave; "" for none.
    std::string pull(std::uint64_t offset, guint size) {
        GstBuffer* buffer = nullptr;
        if (gst_pad_pull_range(reader_, offset, size, &buffer) != GST_FLOW_OK) return {};
        GstMapInfo map;
        gst_buffer_map(buffer, &map, GST_MAP_READ);
        std::string bytes(reinterpret_cast<const char*>(map.data), map.size);
        gst_buffer_unmap(buffer, &map);
        gst_buffer_unref(buffer);
        return bytes;
    }

  private:
    static GstPadProbeReturn onWritten(GstPad*, GstPadProbeInfo* info, gpointer data) {
        auto& self = *static_cast<RingBufferReader*>(data);
        std::lock_guard lock(self.mutex_);
        if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
            self.last_ = gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info));
            self.seen_ += self.last_;
        } else {
            GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
            if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
                self.seen_ = self.last_ = 0;
                self.eos_ = false;
            }
            if (GST_EVENT_TYPE(event) == GST_EVENT_EOS) {
                self.eos_ = true;
                if (self.dropEnd_) {
                    self.dropEnd_ = false;
                    self.ended_ = true;
                    gst_pad_push_event(self.reader_, gst_event_new_flush_start());
                }
            }
        }
        self.changed_.notify_all();
        return GST_PAD_PROBE_OK;
    }

    static GstPadProbeReturn onSeek(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
        auto& self = *static_cast<RingBufferReader*>(data);
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) != GST_EVENT_SEEK || !self.slowSeeks_ || self.inside_)
            return GST_PAD_PROBE_OK;
        self.inside_ = true;
        const gboolean done = gst_pad_push_event(pad, gst_event_ref(event));
        self.inside_ = false;
        ++self.slowSeen_;
        guint limit = 0;
        g_object_get(self.queue_, "max-size-bytes", &limit, nullptr);
        bool ended = false;
        {
            std::unique_lock lock(self.mutex_);
            self.changed_.wait(lock, [&] { return self.eos_ || self.seen_ - self.last_ >= limit; });
            ended = self.eos_;
        }
        if (ended) {
            // The end reached the ring buffer, not only its probe: the source's thread holds
            // the pad's stream lock until the ring buffer has taken it.
            GST_PAD_STREAM_LOCK(pad);
            GST_PAD_STREAM_UNLOCK(pad);
        }
        gst_event_unref(event);
        return done ? GST_PAD_PROBE_HANDLED : GST_PAD_PROBE_DROP;
    }

    GstElement* pipeline_ = nullptr;
    GstElement* source_ = nullptr;
    GstElement* queue_ = nullptr;
    GstPad* reader_ = nullptr;
    GstPad* in_ = nullptr;
    bool slowSeeks_ = false;
    bool inside_ = false;
    int slowSeen_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t seen_ = 0;
    std::uint64_t last_ = 0;
    bool eos_ = false;
    bool dropEnd_ = false;
    bool ended_ = false;
};

class GstRingBufferTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!GstMediaPlayerBackend::available()) GTEST_SKIP() << "GStreamer is missing";
    }
};

// A server that ignores ranges: what our source read is kept, so a seek the ring buffer asks
// for outside what it holds is answered at once from memory. Read back to a place the ring
// buffer lost: the source fills the ring buffer's byte limit (2 MiB) before its reader is back;
// read near the end: the source writes the rest and its end. Either way the reader is handed
// exactly the bytes it asked for at that offset.
TEST_F(GstRingBufferTest, ASeekAnsweredFromMemoryHandsTheReaderWhatItAskedFor) {
    const std::string body = numberedBytes(12 * kMiB);
    MediaServer server(MediaAnswerKind::Whole, body);
    RingBufferReader reader(server.url(), true);
    constexpr guint kRead = 64 * kKiB;
    auto expectAt = [&](std::uint64_t offset) {
        SCOPED_TRACE(offset);
        const std::string got = reader.pull(offset, kRead);
        ASSERT_EQ(got.size(), kRead);
        EXPECT_TRUE(got == body.substr(offset, kRead));
    };
    expectAt(0);
    expectAt(8 * kMiB);
    reader.setSlowSeeks(true);
    expectAt(4 * kMiB);
    reader.setSlowSeeks(false);
    expectAt(11 * kMiB + 512 * kKiB);
    reader.setSlowSeeks(true);
    expectAt(10 * kMiB + 400 * kKiB);
    EXPECT_EQ(reader.slowSeeksSeen(), 2);
}

// A server that ignores ranges sends no length: the ring buffer knows where the media ends by
// the source's end of stream, and drops an end that comes while its reader flushes (a
// demuxer's seek). A read across the end then waited for good; the length the source learnt
// at the body's end sizes it instead.
TEST_F(GstRingBufferTest, AReadAcrossTheEndReturnsWhenTheEndOfStreamWasDropped) {
    const std::string body = numberedBytes(12 * kMiB);
    MediaServer server(MediaAnswerKind::Whole, body);
    RingBufferReader reader(server.url(), true);
    constexpr guint kRead = 64 * kKiB;
    EXPECT_EQ(reader.pull(0, kRead), body.substr(0, kRead));
    EXPECT_EQ(reader.pull(11 * kMiB + 512 * kKiB, kRead),
              body.substr(11 * kMiB + 512 * kKiB, kRead));
    reader.dropNextEnd();
    // Answered from the source's memory, up to its end; the end goes astray.
    reader.pull(11 * kMiB, kRead);
    reader.waitForDroppedEnd();
    const std::uint64_t near = body.size() - 10 * kKiB;
    const auto got = reader.pullWithin(near, kRead, 20);
    ASSERT_TRUE(got.has_value()) << "the read across the end never returned";
    EXPECT_TRUE(*got == body.substr(near));
}

}  // namespace
}  // namespace platform::services
