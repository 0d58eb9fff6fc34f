// Seeded sequences on the game's own pipeline (GstMediaPlayerBackend: playbin with its ring
// buffer in memory, fed by our http source), as a video interstitial plays sources in turn and
// seeks in each: every sequence plays items of a WebM of 17-18 MB (seek.webm of
// tools/media_clips) from a server that ignores ranges (a chunked 200), one that reads by
// ranges, or either behind a redirect, and seeks in them ahead and back, one seek at a time or
// a few back to back, plays a little, and switches to another item while the last one's bytes
// are still coming. Each picture of the clip names its frame, so a seek is judged by the picture
// it lands on as well as by the time the player reports.
//
// Nothing here sleeps: every step waits for the picture or the state it needs, and its limit is
// only there to end a run that went wrong.

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/runtime/MainLoop.h"
#include "platform/services/MediaPlayer.h"
#include "platform/services/gst/GstHttpSource.h"
#include "platform/services/gst/GstMediaPlayerBackend.h"
#include "platform/testing/MediaAnswers.h"
#include "platform/testing/RunMainLoopUntil.h"

namespace platform::services {
namespace {

using platform::testing::MediaAnswerKind;
using platform::testing::MediaServer;
using platform::testing::runMainLoopUntil;

// seek.webm: 26 s at 10 frames a second, each frame's number in ten stripes.
constexpr int kFrames = 260;
constexpr double kFps = 10;
constexpr int kStripes = 10;
constexpr int kSequences = 200;
// Long enough for a loaded machine; a run that reaches it has failed.
constexpr double kStepLimit = 60;

std::string seekClip() {
    std::ifstream in(std::string(MOVU_BINARY_DIR) + "/media_clips/seek.webm", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// What GLib and GStreamer said at warning level or above, on any thread: each is a failure.
class LoudLogs {
  public:
    static LoudLogs& instance() {
        static LoudLogs* logs = [] {
            auto* made = new LoudLogs;
            g_log_set_writer_func(&LoudLogs::write, made, nullptr);
            return made;
        }();
        return *logs;
    }
    std::vector<std::string> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(lines_, {});
    }

  private:
    static GLogWriterOutput write(GLogLevelFlags level, const GLogField* fields, gsize count,
                                  gpointer data) {
        if (level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING)) {
            std::string domain, message;
            for (gsize i = 0; i < count; ++i) {
                if (fields[i].length >= 0) continue;
                const std::string key = fields[i].key;
                if (key == "GLIB_DOMAIN") domain = static_cast<const char*>(fields[i].value);
                if (key == "MESSAGE") message = static_cast<const char*>(fields[i].value);
            }
            auto* self = static_cast<LoudLogs*>(data);
            std::lock_guard lock(self->mutex_);
            self->lines_.push_back(domain + ": " + message);
        }
        return g_log_writer_default(level, fields, count, nullptr);
    }
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// Every buffer each of our sources hands on, checked as it leaves: it starts where the last
// segment started plus what came since, and its bytes are the clip's there. The sources are
// found as GStreamer makes them (a tracer's hook), so the pipeline is the game's own.
class SourceWatch {
  public:
    static SourceWatch& instance() {
        static SourceWatch* watch = [] {
            auto* made = new SourceWatch;
            auto* tracer = GST_TRACER(g_object_new(tracerType(), nullptr));
            gst_tracing_register_hook(tracer, "element-new", G_CALLBACK(&SourceWatch::onNew));
            return made;
        }();
        return *watch;
    }
    void setClip(std::shared_ptr<const std::string> clip) {
        std::lock_guard lock(mutex_);
        clip_ = std::move(clip);
    }
    std::uint64_t buffers() {
        std::lock_guard lock(mutex_);
        return buffers_;
    }
    std::vector<std::string> takeFaults() {
        std::lock_guard lock(mutex_);
        return std::exchange(faults_, {});
    }

  private:
    // One source pad's place: where its next buffer must start.
    struct Pad {
        std::optional<std::uint64_t> next;
    };

    static GType tracerType() {
        static const GType type = [] {
            const GTypeInfo info{
                sizeof(GstTracerClass), nullptr, nullptr, nullptr, nullptr, nullptr,
                sizeof(GstTracer),      0,       nullptr, nullptr};
            return g_type_register_static(GST_TYPE_TRACER, "MovuSeekStressWatch", &info,
                                          GTypeFlags(0));
        }();
        return type;
    }

    static void onNew(GObject*, GstClockTime, GstElement* element) {
        if (g_strcmp0(G_OBJECT_TYPE_NAME(element), "MovuHttpSrc") != 0) return;
        GstPad* pad = gst_element_get_static_pad(element, "src");
        if (!pad) return;
        gst_pad_add_probe(
            pad,
            GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                            GST_PAD_PROBE_TYPE_EVENT_FLUSH),
            &SourceWatch::onData, new Pad, [](gpointer p) { delete static_cast<Pad*>(p); });
        gst_object_unref(pad);
    }

    static GstPadProbeReturn onData(GstPad*, GstPadProbeInfo* info, gpointer data) {
        auto& pad = *static_cast<Pad*>(data);
        if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
            instance().check(pad, GST_PAD_PROBE_INFO_BUFFER(info));
            return GST_PAD_PROBE_OK;
        }
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) pad.next.reset();
        if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
            const GstSegment* segment = nullptr;
            gst_event_parse_segment(event, &segment);
            if (segment->format == GST_FORMAT_BYTES) pad.next = segment->start;
        }
        return GST_PAD_PROBE_OK;
    }

    void check(Pad& pad, GstBuffer* buffer) {
        const std::uint64_t offset = GST_BUFFER_OFFSET(buffer);
        GstMapInfo map;
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return;
        std::string fault;
        if (!pad.next) {
            fault = "a buffer at " + std::to_string(offset) + " before its segment";
        } else if (offset != *pad.next) {
            fault = "a buffer at " + std::to_string(offset) + " where its segment is at " +
                    std::to_string(*pad.next);
        }
        pad.next = offset + map.size;
        std::lock_guard lock(mutex_);
        ++buffers_;
        if (fault.empty() &&
            (!clip_ || offset + map.size > clip_->size() ||
             clip_->compare(std::size_t(offset), map.size, reinterpret_cast<const char*>(map.data),
                            map.size) != 0)) {
            fault = "the bytes at " + std::to_string(offset) + " are not the clip's";
        }
        if (!fault.empty() && faults_.size() < 10) faults_.push_back(fault);
        gst_buffer_unmap(buffer, &map);
    }

    std::mutex mutex_;
    std::shared_ptr<const std::string> clip_;
    std::uint64_t buffers_ = 0;
    std::vector<std::string> faults_;
};

// The frame number a picture's stripes name; -1 for stripes that are neither white nor black.
int pictureNumber(const gfx::Image& picture) {
    const std::size_t y = std::size_t(picture.height() / 8);
    int number = 0;
    for (int bit = 0; bit < kStripes; ++bit) {
        const std::size_t x = std::size_t((2 * bit + 1) * picture.width() / (2 * kStripes));
        const int value = picture.rgba()[(y * std::size_t(picture.width()) + x) * 4];
        if (value > 60 && value < 195) return -1;
        if (value >= 195) number |= 1 << bit;
    }
    return number;
}

struct Pictures : MediaPlayerFrameSink {
    int count = 0;
    int last = -1;
    int garbled = 0;
    void mediaPlayerDidShowFrame(const gfx::Image& picture) override {
        if (picture.empty()) return;
        ++count;
        last = pictureNumber(picture);
        if (last < 0) ++garbled;
    }
};

struct Outcomes : MediaPlayerObserver {
    int failed = 0;
    void mediaPlayerItemDidFail(MediaPlayer&) override { ++failed; }
};

double frameTime(int frame) {
    return (frame + 0.5) / kFps;
}

class GstSeekStressTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!GstMediaPlayerBackend::available()) GTEST_SKIP() << "GStreamer is missing";
        clip_ = std::make_shared<const std::string>(seekClip());
        ASSERT_GT(clip_->size(), 15u << 20);
        ASSERT_LT(clip_->size(), 20u << 20);
        LoudLogs::instance().take();
        SourceWatch::instance().setClip(clip_);
        chunked_ = std::make_unique<MediaServer>(MediaAnswerKind::Whole, *clip_);
        ranges_ = std::make_unique<MediaServer>(MediaAnswerKind::Ranges, *clip_);
    }

    // A server that ignores ranges or one that reads by them, directly or behind a redirect.
    std::string pickItem(std::mt19937& rng) const {
        const unsigned pick = rng() % 4;
        const MediaServer& server = pick < 2 ? *chunked_ : *ranges_;
        return server.url(pick % 2 ? "/go" : "/media");
    }

    // Ahead to the last seconds, back to the first two, or anywhere.
    static int pickFrame(std::mt19937& rng) {
        switch (rng() % 3) {
            case 0:
                return kFrames - 1 - int(rng() % 40);
            case 1:
                return int(rng() % 20);
            default:
                return int(rng() % kFrames);
        }
    }

    std::shared_ptr<const std::string> clip_;
    std::unique_ptr<MediaServer> chunked_;
    std::unique_ptr<MediaServer> ranges_;
};

// Before, the game crashed in 3 of 22 runs of such an interstitial (a heap overflow in the
// ring buffer's read after a seek, then "double free or corruption"); here, in 1 of every 100
// sequences or so without the ring buffer's guard (GstRingBufferGuard.h).
TEST_F(GstSeekStressTest, SeededSeeksPlaysAndSwitchesLandOnTheirPicturesAndNothingGoesAmiss) {
    int seeks = 0, switches = 0, plays = 0;
    for (int seed = 0; seed < kSequences && !HasFailure(); ++seed) {
        SCOPED_TRACE("sequence " + std::to_string(seed));
        std::mt19937 rng{std::uint32_t(seed)};
        auto pictures = std::make_shared<Pictures>();
        auto outcomes = std::make_shared<Outcomes>();
        auto player = MediaPlayer::create(std::make_unique<GstMediaPlayerBackend>());
        player->setFrameSink(pictures);
        player->setObserver(outcomes);
        std::string item = pickItem(rng);
        player->replaceCurrentItem(Url::parse(item));
        int at = 0;  // the frame shown, as far as the test knows
        const int steps = 3 + int(rng() % 4);
        for (int step = 0; step < steps && !HasFailure(); ++step) {
            const unsigned op = rng() % 10;
            if (op < 2) {
                // Another item while this one's bytes are still coming (its first ones, or
                // those of a seek before).
                item = pickItem(rng);
                player->replaceCurrentItem(Url::parse(item));
                ++switches;
                at = 0;
                continue;
            }
            if (op < 3 && at < kFrames - 20) {
                const int shown = pictures->count;
                const int from = at;
                player->play();
                const bool moved = runMainLoopUntil(
                    [&] { return pictures->count > shown && pictures->last > from; }, kStepLimit);
                player->pause();
                ++plays;
                ASSERT_TRUE(moved) << item << " did not play on from frame " << from;
                at = pictures->last;
                continue;
            }
            // One seek or a few back to back, of which the last is waited for.
            const int burst = op < 5 ? 2 + int(rng() % 2) : 1;
            int target = 0;
            for (int i = 0; i < burst; ++i) {
                target = pickFrame(rng);
                player->seekToTime(frameTime(target));
                ++seeks;
            }
            const int shown = pictures->count;
            const bool landed = runMainLoopUntil(
                [&] {
                    return outcomes->failed > 0 ||
                           (pictures->count > shown && pictures->last == target);
                },
                kStepLimit);
            ASSERT_EQ(outcomes->failed, 0) << item;
            ASSERT_TRUE(landed) << item << ": no picture " << target << " after a seek from " << at
                                << " (the last shown: " << pictures->last << ")";
            EXPECT_NEAR(player->currentTime(), frameTime(target), 0.5 / kFps) << item;
            at = target;
            if (rng() % 4 == 0) {
                // Switched at once, the seek's bytes still coming.
                item = pickItem(rng);
                player->replaceCurrentItem(Url::parse(item));
                ++switches;
                at = 0;
            }
        }
        EXPECT_EQ(pictures->garbled, 0) << item;
        player.reset();
        for (const auto& fault : SourceWatch::instance().takeFaults()) ADD_FAILURE() << fault;
        for (const auto& line : LoudLogs::instance().take()) ADD_FAILURE() << line;
    }
    ASSERT_TRUE(runMainLoopUntil([] { return gstHttpSourcesAlive() == 0; }, kStepLimit));
    MainLoop::main().runUntilIdle();
    RecordProperty("seeks", seeks);
    RecordProperty("switches", switches);
    RecordProperty("plays", plays);
    RecordProperty("buffersChecked", std::to_string(SourceWatch::instance().buffers()));
    RecordProperty("chunkedRequests", chunked_->served().requests.load());
    RecordProperty("rangeRequests", ranges_->served().requests.load());
}

}  // namespace
}  // namespace platform::services
