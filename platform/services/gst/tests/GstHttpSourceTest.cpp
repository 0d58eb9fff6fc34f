#include "platform/services/gst/GstHttpSource.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "platform/runtime/MainLoop.h"
#include "platform/runtime/Timer.h"
#include "platform/services/MediaPlayer.h"
#include "platform/services/gst/GstMediaPlayerBackend.h"
#include "platform/testing/MediaAnswers.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"

namespace platform::services {
namespace {

using platform::testing::runMainLoopUntil;

// 8 s of 320 x 240 in 24 MB: played through, it is read for as long as it plays.
std::string streamClip() {
    std::ifstream in(std::string(MOVU_BINARY_DIR) + "/media_clips/stream.webm", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

using Kind = platform::testing::MediaAnswerKind;

using platform::testing::MediaServer;

struct Ended : MediaPlayerObserver {
    bool ended = false;
    void mediaPlayerItemDidPlayToEnd(MediaPlayer&) override { ended = true; }
};

class GstHttpSourceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!GstMediaPlayerBackend::available()) GTEST_SKIP() << "GStreamer is missing";
        clip_ = streamClip();
        ASSERT_GT(clip_.size(), 8u << 20);
    }

    std::shared_ptr<MediaPlayer> play(const std::string& url) {
        auto player = MediaPlayer::create(std::make_unique<GstMediaPlayerBackend>());
        player->setObserver(ended_);
        player->replaceCurrentItem(Url::parse(url));
        player->play();
        return player;
    }

    // Turns the main loop for `seconds` of real time: what must not happen has had its chance.
    static void idleFor(double seconds) {
        bool done = false;
        auto timer = Timer::schedule(seconds, false, 0, [&] { done = true; });
        runMainLoopUntil([&] { return done; }, seconds + 10);
    }

    std::string clip_;
    std::shared_ptr<Ended> ended_ = std::make_shared<Ended>();
};

// A server that reads by ranges, directly or behind a redirect, plays the clip through, read
// by one transfer held back at the read-ahead: before, every half of the read-ahead taken was
// a new request (twelve or more for this clip).
TEST_F(GstHttpSourceTest, AnHonestRangeServerPlaysTheClipInAFewRequests) {
    for (const char* path : {"/media", "/go"}) {
        SCOPED_TRACE(path);
        MediaServer server(Kind::Ranges, clip_);
        ended_->ended = false;
        auto player = play(server.url(path));
        ASSERT_TRUE(runMainLoopUntil([&] { return ended_->ended; }, 60));
        EXPECT_EQ(player->status(), MediaPlayerStatus::ReadyToPlay);
        // The head, the index at the end, and back to the pictures (in two steps when the
        // ring buffer asks again where the head's answer had reached).
        EXPECT_LE(server.served().requests.load(), 4);
        EXPECT_LE(server.served().bytes.load(), 2 * server.size());
    }
}

// An ordinary server that ignores ranges (a chunked 200): read once, as it plays, with its
// seeks. Before, every read-ahead resume and every seek read it again from byte 0.
TEST_F(GstHttpSourceTest, AServerThatIgnoresRangesIsReadOnceThroughSeeks) {
    MediaServer server(Kind::Whole, clip_);
    auto player = play(server.url());
    ASSERT_TRUE(runMainLoopUntil([&] { return player->currentTime() > 3; }, 30));
    player->seekToTime(0.5);
    ASSERT_TRUE(runMainLoopUntil([&] { return player->currentTime() > 1.5; }, 30));
    player->seekToTime(6);
    ASSERT_TRUE(runMainLoopUntil([&] { return ended_->ended; }, 60));
    EXPECT_EQ(player->status(), MediaPlayerStatus::ReadyToPlay);
    EXPECT_LE(server.served().requests.load(), 2);
    EXPECT_LE(double(server.served().bytes.load()), 1.2 * double(server.size()));
}

// Servers that would have an item fetched without end fail it after a few requests, and ask
// nothing more: before, the first took 530 requests in 23.6 s and the second 23 a second, for
// as long as the ad lived.
TEST_F(GstHttpSourceTest, ServersThatNeverCompleteTheMediaFailItAfterAFewRequests) {
    // The whole that follows the short part: 30 MB.
    std::string large = clip_;
    large.resize(30u << 20, '\0');
    for (auto [kind, body] :
         {std::pair{Kind::ShortThenWhole, large}, std::pair{Kind::OneByte, clip_}}) {
        SCOPED_TRACE(int(kind));
        MediaServer server(kind, body);
        auto player = play(server.url());
        ASSERT_TRUE(
            runMainLoopUntil([&] { return player->status() == MediaPlayerStatus::Failed; }, 30));
        const int requests = server.served().requests.load();
        EXPECT_LE(requests, kGstHttpMaxShortAnswers + 2);
        EXPECT_LT(server.served().bytes.load(), server.size() / 4);
        idleFor(1);
        EXPECT_EQ(server.served().requests.load(), requests);
    }
}

// A server that contradicts itself fails the item at its first contradiction: a length other
// than the one it gave, or more bytes than the range it named. (A seek that comes while an
// answer is on its way may cost one request more.)
TEST_F(GstHttpSourceTest, AServerThatContradictsItselfFailsTheItemAtOnce) {
    for (auto kind : {Kind::CutThenLonger, Kind::PastItsRange}) {
        SCOPED_TRACE(int(kind));
        MediaServer server(kind, clip_);
        auto player = play(server.url());
        ASSERT_TRUE(
            runMainLoopUntil([&] { return player->status() == MediaPlayerStatus::Failed; }, 30));
        EXPECT_LE(server.served().requests.load(), 3);
        EXPECT_LT(server.served().bytes.load(), server.size() / 2);
    }
}

// The element alone, its bytes taken by an appsink that holds at most a few buffers, and
// seeks by byte as a ring buffer asks them. Every buffer the element hands on is checked as it
// leaves: it starts where the last segment said plus what came since, which is where the ring
// buffer behind playbin writes it, whatever offset the buffer itself names.
class SourceReader {
  public:
    explicit SourceReader(const std::string& url) {
        pipeline_ = gst_pipeline_new(nullptr);
        source_ = gst_element_make_from_uri(GST_URI_SRC, url.c_str(), nullptr, nullptr);
        sink_ = gst_element_factory_make("appsink", nullptr);
        g_object_set(sink_, "sync", FALSE, "max-buffers", 4, nullptr);
        gst_bin_add_many(GST_BIN(pipeline_), source_, sink_, nullptr);
        linked_ = gst_element_link(source_, sink_);
        GstPad* pad = gst_element_get_static_pad(source_, "src");
        gst_pad_add_probe(
            pad,
            GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                            GST_PAD_PROBE_TYPE_EVENT_FLUSH),
            &SourceReader::onLeaving, &placed_, nullptr);
        gst_object_unref(pad);
        gst_element_set_state(pipeline_, GST_STATE_PLAYING);
    }
    ~SourceReader() {
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        gst_object_unref(pipeline_);
    }
    SourceReader(const SourceReader&) = delete;
    SourceReader& operator=(const SourceReader&) = delete;

    bool linked() const { return linked_; }

    // The next `bytes` bytes, each buffer where the last one ended; fewer at an error or the end.
    std::string read(std::size_t bytes) {
        std::string got;
        while (got.size() < bytes) {
            GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink_), 20 * GST_SECOND);
            if (!sample) break;
            GstBuffer* buffer = gst_sample_get_buffer(sample);
            EXPECT_EQ(GST_BUFFER_OFFSET(buffer), at_);
            GstMapInfo map;
            gst_buffer_map(buffer, &map, GST_MAP_READ);
            got.append(reinterpret_cast<const char*>(map.data), map.size);
            at_ += map.size;
            gst_buffer_unmap(buffer, &map);
            gst_sample_unref(sample);
        }
        return got.substr(0, bytes);
    }
    bool seek(std::uint64_t offset) {
        at_ = offset;
        return gst_element_seek_simple(pipeline_, GST_FORMAT_BYTES,
                                       GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                       gint64(offset));
    }
    // The error the element posted, if any.
    std::string error() {
        GstBus* bus = gst_element_get_bus(pipeline_);
        GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
        gst_object_unref(bus);
        if (!message) return {};
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        std::string text = error ? error->message : "";
        if (error) g_error_free(error);
        gst_message_unref(message);
        return text;
    }
    // The length in bytes the element gives, -1 while it does not know it.
    std::int64_t length() {
        gint64 bytes = -1;
        if (!gst_element_query_duration(source_, GST_FORMAT_BYTES, &bytes)) return -2;
        return bytes;
    }
    // Buffers handed on so far, and those that did not start where their segment placed them.
    int buffersChecked() const { return placed_.buffers.load(); }
    int buffersMisplaced() const { return placed_.misplaced.load(); }

  private:
    // Written on the element's streaming thread (and by a flush, under its stream lock).
    struct Placed {
        std::optional<std::uint64_t> next;
        std::atomic<int> buffers{0};
        std::atomic<int> misplaced{0};
    };

    static GstPadProbeReturn onLeaving(GstPad*, GstPadProbeInfo* info, gpointer data) {
        auto& placed = *static_cast<Placed*>(data);
        if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
            GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
            ++placed.buffers;
            if (!placed.next || GST_BUFFER_OFFSET(buffer) != *placed.next) ++placed.misplaced;
            if (placed.next) *placed.next += gst_buffer_get_size(buffer);
            return GST_PAD_PROBE_OK;
        }
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) placed.next.reset();
        if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
            const GstSegment* segment = nullptr;
            gst_event_parse_segment(event, &segment);
            placed.next = segment->start;
        }
        return GST_PAD_PROBE_OK;
    }

    GstElement* pipeline_ = nullptr;
    GstElement* source_ = nullptr;
    GstElement* sink_ = nullptr;
    bool linked_ = false;
    std::uint64_t at_ = 0;
    Placed placed_;
};

// Of a server that ignores ranges: a seek ahead reads on in the same answer; a seek back to
// bytes kept behind the position costs nothing; a seek back past them reads it from its start
// again, once, and the next such seek fails the item. Every byte handed on is the server's at
// its offset.
TEST_F(GstHttpSourceTest, AServerThatIgnoresRangesIsReadAgainOnceAndThenTheItemFails) {
    MediaServer server(Kind::Whole, clip_);
    SourceReader reader(server.url());
    ASSERT_TRUE(reader.linked());
    constexpr std::size_t kMiB = 1 << 20;
    auto readAt = [&](std::uint64_t offset, std::size_t bytes = 64 << 10) {
        EXPECT_TRUE(reader.seek(offset));
        return reader.read(bytes) == clip_.substr(offset, bytes);
    };
    EXPECT_EQ(reader.read(kMiB), clip_.substr(0, kMiB));
    EXPECT_TRUE(readAt(20 * kMiB));
    EXPECT_TRUE(readAt(20 * kMiB - kGstHttpKeptBehindBytes + kMiB));
    EXPECT_EQ(server.served().requests.load(), 1);
    EXPECT_TRUE(readAt(kMiB));
    EXPECT_TRUE(readAt(22 * kMiB));
    EXPECT_EQ(server.served().requests.load(), kGstHttpMaxWholeReads);
    EXPECT_TRUE(reader.seek(kMiB));
    EXPECT_EQ(reader.read(1), "");
    EXPECT_NE(reader.error().find("read 2 times"), std::string::npos);
    EXPECT_EQ(server.served().requests.load(), kGstHttpMaxWholeReads);
    EXPECT_LE(server.served().bytes.load(), kGstHttpMaxWholeReads * server.size());
    EXPECT_GT(reader.buffersChecked(), 20);
    EXPECT_EQ(reader.buffersMisplaced(), 0);
}

// Of a server that reads by ranges: each seek is at most one request, and every byte handed on
// is the server's at its offset.
TEST_F(GstHttpSourceTest, AnHonestRangeServerIsAskedAtMostOnceASeek) {
    MediaServer server(Kind::Ranges, clip_);
    SourceReader reader(server.url());
    ASSERT_TRUE(reader.linked());
    constexpr std::size_t kMiB = 1 << 20;
    EXPECT_EQ(reader.read(kMiB), clip_.substr(0, kMiB));
    int seeks = 0;
    for (std::size_t at : {kMiB + kMiB / 2, 20 * kMiB, 3 * kMiB, clip_.size() - 100}) {
        SCOPED_TRACE(at);
        ASSERT_TRUE(reader.seek(at));
        ++seeks;
        EXPECT_EQ(reader.read(kMiB), clip_.substr(at, kMiB));
    }
    EXPECT_LE(server.served().requests.load(), 1 + seeks);
    EXPECT_EQ(reader.error(), "");
    EXPECT_GT(reader.buffersChecked(), 50);
    EXPECT_EQ(reader.buffersMisplaced(), 0);
}

// A chunked answer names no length: the element learns it at the body's end and gives it from
// then on (a ring buffer sizes its reads at the end by it), the same whatever comes after. A
// server that reads by ranges names it in its first answer.
TEST_F(GstHttpSourceTest, TheLengthIsGivenOnceLearntAndNeverChanges) {
    constexpr std::size_t kMiB = 1 << 20;
    const auto size = std::int64_t(clip_.size());
    {
        MediaServer server(Kind::Whole, clip_);
        SourceReader reader(server.url());
        ASSERT_TRUE(reader.linked());
        EXPECT_EQ(reader.read(kMiB), clip_.substr(0, kMiB));
        EXPECT_EQ(reader.length(), -1);
        // Read up to the end of the stream, which the element says once it knows the length.
        EXPECT_TRUE(reader.seek(clip_.size() - 1000));
        EXPECT_EQ(reader.read(1001), clip_.substr(clip_.size() - 1000));
        EXPECT_EQ(reader.length(), size);
        EXPECT_TRUE(reader.seek(20 * kMiB));
        EXPECT_EQ(reader.read(kMiB), clip_.substr(20 * kMiB, kMiB));
        EXPECT_EQ(reader.length(), size);
    }
    MediaServer server(Kind::Ranges, clip_);
    SourceReader reader(server.url());
    EXPECT_EQ(reader.read(kMiB), clip_.substr(0, kMiB));
    EXPECT_EQ(reader.length(), size);
}

// A player freed while its transfer is held back at the read-ahead leaves nothing: no answer
// still writing at the server, no element alive.
TEST_F(GstHttpSourceTest, AFreedPlayerLeavesNoTransfer) {
    for (auto kind : {Kind::Ranges, Kind::Whole}) {
        SCOPED_TRACE(int(kind));
        MediaServer server(kind, clip_);
        auto player = play(server.url());
        ASSERT_TRUE(runMainLoopUntil(
            [&] { return player->status() == MediaPlayerStatus::ReadyToPlay; }, 30));
        ASSERT_GE(server.served().open.load(), 1);
        player.reset();
        ASSERT_TRUE(runMainLoopUntil([&] { return server.served().open.load() == 0; }, 10));
        MainLoop::main().runUntilIdle();
        EXPECT_EQ(gstHttpSourcesAlive(), 0u);
    }
}

}  // namespace
}  // namespace platform::services
