// The main thread's share of showing a video frame: the picture handed from the GStreamer
// backend to the player's view, then drawn (uploaded and composited) on the software renderer,
// for generated 640 x 360 and 1280 x 720 clips at 30 frames a second (target: under 3 ms a
// frame). Each iteration is one frame of real playback; only the main thread's work is timed.
//
// And how far apart the player hands over picture and sound of one moment (target: within
// 0.1 s): a generated clip turns from black to white and from silence to a tone at the same
// instant; the offset is when the tone's first loud sample reaches the audio output minus
// when the first white picture reaches the view (positive: the sound comes late).

#include <benchmark/benchmark.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>

#include "platform/gfx/HeadlessContext.h"
#include "platform/runtime/MainLoop.h"
#include "platform/services/MediaPlayer.h"
#include "platform/services/MediaPlayerView.h"
#include "platform/services/gst/GstMediaPlayerBackend.h"
#include "platform/testing/TempDir.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/Window.h"

namespace {

using Clock = std::chrono::steady_clock;
using platform::services::GstMediaPlayerBackend;
using platform::services::MediaPlayer;
using platform::services::MediaPlayerView;

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 720;

// A 10 s clip of GStreamer's moving test picture and a tone.
std::string makeClip(const platform::testing::TempDir& dir, int width, int height) {
    const std::string path = (dir.path() / ("clip" + std::to_string(width) + ".webm")).string();
    const std::string description =
        "videotestsrc pattern=ball num-buffers=300 ! video/x-raw,width=" + std::to_string(width) +
        ",height=" + std::to_string(height) +
        ",framerate=30/1 ! videoconvert ! vp8enc deadline=1 ! webmmux name=mux ! filesink "
        "location=" +
        path +
        " audiotestsrc num-buffers=100 samplesperbuffer=4410 ! audio/x-raw,rate=44100 ! "
        "audioconvert ! vorbisenc ! mux.";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (!pipeline) {
        std::fprintf(stderr, "no clip: %s\n", error ? error->message : "?");
        std::exit(1);
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* done = gst_bus_timed_pop_filtered(
        bus, GST_CLOCK_TIME_NONE, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    gst_message_unref(done);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return path;
}

// Times the view's share of each frame and counts the frames.
class TimedSink : public platform::services::MediaPlayerFrameSink {
  public:
    explicit TimedSink(std::shared_ptr<MediaPlayerView> view) : view_(std::move(view)) {}
    void mediaPlayerDidShowFrame(const platform::gfx::Image& frame) override {
        const auto start = Clock::now();
        view_->mediaPlayerDidShowFrame(frame);
        spent += Clock::now() - start;
        ++frames;
    }
    std::shared_ptr<MediaPlayerView> view_;
    Clock::duration spent{};
    int frames = 0;
};

void BM_FrameOnMainThread(benchmark::State& state) {
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    std::string error;
    auto context = platform::gfx::HeadlessContext::create(kScreenWidth, kScreenHeight, &error);
    if (!context || !GstMediaPlayerBackend::available()) {
        state.SkipWithError("no headless GL or no GStreamer");
        return;
    }
    platform::testing::TempDir dir;
    const std::string clip = makeClip(dir, width, height);
    auto window = platform::ui::Window::create({0, 0, kScreenWidth, kScreenHeight});
    platform::ui::Compositor compositor;
    auto player = MediaPlayer::create(std::make_unique<GstMediaPlayerBackend>());
    auto view = MediaPlayerView::create(player, {0, 0, kScreenWidth, kScreenHeight});
    window->addSubview(view);
    auto sink = std::make_shared<TimedSink>(view);
    player->setFrameSink(sink);
    player->replaceCurrentItem(platform::Url::fileUrl(clip));
    player->play();
    auto& loop = platform::MainLoop::main();
    double handoff = 0, draw = 0;
    for (auto _ : state) {
        const int before = sink->frames;
        sink->spent = {};
        while (sink->frames == before) {
            if (!player->hasItem() ||
                player->status() == platform::services::MediaPlayerStatus::Failed)
                break;
            loop.runOnce(0.1);
        }
        const auto start = Clock::now();
        compositor.drawFrame(*window, kScreenWidth, kScreenHeight);
        const auto drawn = Clock::now() - start;
        handoff += std::chrono::duration<double, std::milli>(sink->spent).count();
        draw += std::chrono::duration<double, std::milli>(drawn).count();
        state.SetIterationTime(std::chrono::duration<double>(sink->spent + drawn).count());
        if (player->rate() == 0) player->seekToTime(0), player->play();
    }
    player->pause();
    // The two parts apart: the hand-over to the view, and the window's frame (upload and
    // composite of the whole window on the software renderer).
    state.counters["handoff_ms"] = handoff / double(state.iterations());
    state.counters["draw_ms"] = draw / double(state.iterations());
}

// The clip of the offset measurement: black and silent for its first second, then white with
// a 440 Hz tone for its second one, in WebM (VP8, Vorbis) or Ogg (Theora, Vorbis).
constexpr int kMarkWidth = 160, kMarkHeight = 90, kMarkFps = 30, kMarkRate = 44100;
constexpr double kMarkSeconds = 1.0;

std::string makeMarkedClip(const platform::testing::TempDir& dir, bool webm) {
    const std::string path = (dir.path() / (webm ? "marked.webm" : "marked.ogg")).string();
    const std::string description =
        "appsrc name=picture format=time caps=video/x-raw,format=RGBA,width=" +
        std::to_string(kMarkWidth) + ",height=" + std::to_string(kMarkHeight) +
        ",framerate=" + std::to_string(kMarkFps) + "/1 ! videoconvert ! " +
        (webm ? "vp8enc deadline=1 ! webmmux" : "theoraenc ! oggmux") +
        " name=mux ! filesink location=" + path +
        " appsrc name=sound format=time caps=audio/x-raw,format=S16LE,layout=interleaved,rate=" +
        std::to_string(kMarkRate) + ",channels=1 ! audioconvert ! vorbisenc ! mux.";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (!pipeline || error) {
        std::fprintf(stderr, "no clip: %s\n", error ? error->message : "?");
        std::exit(1);
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstElement* picture = gst_bin_get_by_name(GST_BIN(pipeline), "picture");
    GstElement* sound = gst_bin_get_by_name(GST_BIN(pipeline), "sound");
    const int frames = int(2 * kMarkSeconds * kMarkFps);
    for (int i = 0; i < frames; ++i) {
        const std::size_t bytes = std::size_t(kMarkWidth) * kMarkHeight * 4;
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
        gst_buffer_memset(buffer, 0, i < int(kMarkSeconds * kMarkFps) ? 0 : 255, bytes);
        GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(i, GST_SECOND, kMarkFps);
        GST_BUFFER_DURATION(buffer) = GST_SECOND / kMarkFps;
        gst_app_src_push_buffer(GST_APP_SRC(picture), buffer);
    }
    // A tenth of a second a buffer.
    const int perBuffer = kMarkRate / 10;
    for (int b = 0; b < int(2 * kMarkSeconds * 10); ++b) {
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, perBuffer * 2, nullptr);
        GstMapInfo map;
        gst_buffer_map(buffer, &map, GST_MAP_WRITE);
        auto* samples = reinterpret_cast<std::int16_t*>(map.data);
        for (int i = 0; i < perBuffer; ++i) {
            const int n = b * perBuffer + i;
            samples[i] = n < int(kMarkSeconds * kMarkRate)
                             ? 0
                             : std::int16_t(24000 * std::sin(2 * M_PI * 440 * n / kMarkRate));
        }
        gst_buffer_unmap(buffer, &map);
        GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(b, GST_SECOND, 10);
        GST_BUFFER_DURATION(buffer) = GST_SECOND / 10;
        gst_app_src_push_buffer(GST_APP_SRC(sound), buffer);
    }
    gst_app_src_end_of_stream(GST_APP_SRC(picture));
    gst_app_src_end_of_stream(GST_APP_SRC(sound));
    gst_object_unref(picture);
    gst_object_unref(sound);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* done = gst_bus_timed_pop_filtered(
        bus, 60 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = done && GST_MESSAGE_TYPE(done) == GST_MESSAGE_EOS;
    if (done) gst_message_unref(done);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    if (!ok) {
        std::fprintf(stderr, "no clip: the encoder failed\n");
        std::exit(1);
    }
    return path;
}

// When the first white picture reaches the view (main thread).
class MarkSink : public platform::services::MediaPlayerFrameSink {
  public:
    void mediaPlayerDidShowFrame(const platform::gfx::Image& frame) override {
        if (whiteAt || frame.width() < 1 || frame.height() < 1) return;
        const auto* p = frame.pixel(frame.width() / 2, frame.height() / 2);
        if (p[0] > 128 && p[1] > 128 && p[2] > 128) whiteAt = Clock::now();
    }
    std::optional<Clock::time_point> whiteAt;
};

// One playback of the marked clip: the sound's onset minus the picture's, in seconds.
std::optional<double> measureOffset(const std::string& clip) {
    auto backend = std::make_unique<GstMediaPlayerBackend>();
    std::mutex mutex;
    std::optional<Clock::time_point> toneAt;
    // The output is called on GStreamer's thread as each buffer falls due; the onset is that
    // moment plus the place of the first loud sample in the buffer.
    backend->setAudioOutput([&](const std::int16_t* samples, std::size_t frames) {
        const auto now = Clock::now();
        std::lock_guard lock(mutex);
        if (toneAt) return;
        for (std::size_t i = 0; i < frames; ++i) {
            if (std::abs(samples[2 * i]) > 12000) {
                toneAt =
                    now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                              double(i) / GstMediaPlayerBackend::kAudioRate));
                return;
            }
        }
    });
    auto player = MediaPlayer::create(std::move(backend));
    auto sink = std::make_shared<MarkSink>();
    player->setFrameSink(sink);
    player->replaceCurrentItem(platform::Url::fileUrl(clip));
    player->play();
    auto& loop = platform::MainLoop::main();
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    auto heard = [&] {
        std::lock_guard lock(mutex);
        return toneAt.has_value();
    };
    while ((!sink->whiteAt || !heard()) && Clock::now() < deadline &&
           player->status() != platform::services::MediaPlayerStatus::Failed)
        loop.runOnce(0.005);
    player->pause();
    player->replaceCurrentItem(std::nullopt);
    std::lock_guard lock(mutex);
    if (!sink->whiteAt || !toneAt) return std::nullopt;
    return std::chrono::duration<double>(*toneAt - *sink->whiteAt).count();
}

void BM_AudioVideoOffset(benchmark::State& state) {
    const bool webm = state.range(0) == 1;
    state.SetLabel(webm ? "webm" : "ogg");
    if (!GstMediaPlayerBackend::available()) {
        state.SkipWithError("no GStreamer");
        return;
    }
    platform::testing::TempDir dir;
    const std::string clip = makeMarkedClip(dir, webm);
    double sum = 0, worst = 0;
    for (auto _ : state) {
        auto offset = measureOffset(clip);
        if (!offset) {
            state.SkipWithError("the clip's picture or tone never arrived");
            return;
        }
        sum += *offset;
        if (std::abs(*offset) > std::abs(worst)) worst = *offset;
        state.SetIterationTime(std::abs(*offset));
    }
    state.counters["offset_ms"] = 1000 * sum / double(state.iterations());
    state.counters["worst_ms"] = 1000 * worst;
}

}  // namespace

BENCHMARK(BM_AudioVideoOffset)
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_FrameOnMainThread)
    ->Args({640, 360})
    ->Args({1280, 720})
    ->UseManualTime()
    ->Iterations(120)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
