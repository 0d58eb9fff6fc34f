// The main thread's share of showing a video frame: the picture handed from the GStreamer
// backend to the player's view, then drawn (uploaded and composited) on the software renderer,
// for generated 640 x 360 and 1280 x 720 clips at 30 frames a second (target: under 3 ms a
// frame). Each iteration is one frame of real playback; only the main thread's work is timed.

#include <benchmark/benchmark.h>
#include <gst/gst.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
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

}  // namespace

BENCHMARK(BM_FrameOnMainThread)
    ->Args({640, 360})
    ->Args({1280, 720})
    ->UseManualTime()
    ->Iterations(120)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
