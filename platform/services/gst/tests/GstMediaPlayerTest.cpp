#include "platform/services/gst/GstMediaPlayerBackend.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <glib.h>

#include "platform/audio/AudioDevice.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/Timer.h"
#include "platform/services/MediaPlayer.h"
#include "platform/services/gst/GstHttpSource.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"

namespace platform::services {
namespace {

using platform::testing::runMainLoopUntil;

std::string clipBytes(const std::string& name) {
    std::ifstream in(std::string(MOVU_BINARY_DIR) + "/media_clips/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct Events : MediaPlayerObserver {
    std::vector<std::string> seen;
    std::vector<double> ticks;
    void mediaPlayerDidChange(MediaPlayer& p, MediaPlayerChange c) override {
        switch (c) {
            case MediaPlayerChange::Status:
                seen.push_back("status" + std::to_string(int(p.status())));
                break;
            case MediaPlayerChange::Rate:
                seen.push_back(p.rate() != 0 ? "play" : "pause");
                break;
            default:
                break;
        }
    }
    void mediaPlayerItemDidPlayToEnd(MediaPlayer&) override { seen.push_back("ended"); }
    void mediaPlayerTimeDidTick(MediaPlayer&, double t) override { ticks.push_back(t); }
    bool saw(const std::string& e) const {
        return std::find(seen.begin(), seen.end(), e) != seen.end();
    }
};

struct Frames : MediaPlayerFrameSink {
    gfx::Image last;
    int count = 0;
    void mediaPlayerDidShowFrame(const gfx::Image& f) override {
        last = f;
        if (!f.empty()) ++count;
    }
    // The centre pixel's colour channels.
    std::array<int, 3> centre() const {
        if (last.empty()) return {-1, -1, -1};
        std::size_t i = (std::size_t(last.height() / 2) * last.width() + last.width() / 2) * 4;
        return {last.rgba()[i], last.rgba()[i + 1], last.rgba()[i + 2]};
    }
};

class GstMediaPlayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!GstMediaPlayerBackend::available()) GTEST_SKIP() << "GStreamer is missing";
        for (const char* name : {"clip.ogg", "clip.webm", "tone.ogg", "cut.ogg", "huge.webm",
                                 "huge-lying.webm", "large-lying.mkv", "fast-large.webm",
                                 "fast-large-unrated.webm", "full-hd.webm", "short.webm"}) {
            const std::string bytes = clipBytes(name);
            ASSERT_FALSE(bytes.empty()) << name;
            const std::string type = std::string(name).ends_with(".webm")  ? "video/webm"
                                     : std::string(name).ends_with(".mkv") ? "video/x-matroska"
                                                                           : "video/ogg";
            server_.get(std::string("/") + name,
                        [bytes, type](const httplib::Request&, httplib::Response& res) {
                            res.set_content(bytes, type);
                        });
        }
    }

    std::shared_ptr<MediaPlayer> makePlayer(const std::string& path) {
        auto backend = std::make_unique<GstMediaPlayerBackend>();
        backend_ = backend.get();
        auto player = MediaPlayer::create(std::move(backend));
        player->setObserver(events_);
        player->setFrameSink(frames_);
        player->replaceCurrentItem(Url::parse(server_.url(path)));
        return player;
    }

    platform::testing::TestHttpServer server_;
    // The last player's, owned by it.
    GstMediaPlayerBackend* backend_ = nullptr;
    std::shared_ptr<Events> events_ = std::make_shared<Events>();
    std::shared_ptr<Frames> frames_ = std::make_shared<Frames>();
};

class GstClipTest : public GstMediaPlayerTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(GstClipTest, PlaysTheClipThroughWithItsFacts) {
    auto player = makePlayer(GetParam());
    ASSERT_TRUE(runMainLoopUntil([&] { return player->status() != MediaPlayerStatus::Unknown; }));
    ASSERT_EQ(player->status(), MediaPlayerStatus::ReadyToPlay);
    ASSERT_TRUE(player->duration().has_value());
    EXPECT_NEAR(*player->duration(), 2.0, 0.1);  // within a frame
    ASSERT_EQ(player->videoSizes().size(), 1u);
    EXPECT_EQ(player->videoSizes()[0], (Size{160, 90}));
    EXPECT_EQ(player->audioTrackIDs().size(), 1u);
    // The decoder's watch saw it decode its pictures, and let them be.
    const auto decoding = backend_->videoDecoding();
    EXPECT_GT(decoding.packetsDecoded, 0u);
    EXPECT_EQ(decoding.largestDecodedPicture, (VideoPictureSize{160, 90}));
    EXPECT_FALSE(decoding.refusedPicture);
    EXPECT_TRUE(player->playbackLikelyToKeepUp());
    // The first picture is red.
    ASSERT_TRUE(runMainLoopUntil([&] { return frames_->count > 0; }));
    EXPECT_GT(frames_->centre()[0], 200);
    EXPECT_LT(frames_->centre()[1], 60);

    player->play();
    ASSERT_TRUE(runMainLoopUntil([&] { return events_->saw("ended"); }, 15));
    // The item's end comes before the rate drops.
    auto ended = std::find(events_->seen.begin(), events_->seen.end(), "ended");
    ASSERT_NE(ended, events_->seen.end());
    ASSERT_NE(ended + 1, events_->seen.end());
    EXPECT_EQ(*(ended + 1), "pause");
    EXPECT_EQ(player->rate(), 0);
    // Ticks at the start, a few a second while playing, and at the stop.
    EXPECT_GE(events_->ticks.size(), 6u);
    EXPECT_GT(events_->ticks.back(), 1.5);
    for (int channel : frames_->centre()) EXPECT_GT(channel, 240);
    EXPECT_NEAR(*player->duration(), 2.0, 0.1);
}

INSTANTIATE_TEST_SUITE_P(Formats, GstClipTest, ::testing::Values("/clip.ogg", "/clip.webm"));

TEST_F(GstMediaPlayerTest, ASeekShowsThePictureAtThatTime) {
    auto player = makePlayer("/clip.ogg");
    ASSERT_TRUE(
        runMainLoopUntil([&] { return player->status() == MediaPlayerStatus::ReadyToPlay; }));
    player->seekToTime(1.6);
    ASSERT_TRUE(runMainLoopUntil([&] {
        auto c = frames_->centre();
        return c[0] > 230 && c[1] > 230 && c[2] > 230;
    }));
    EXPECT_NEAR(player->currentTime(), 1.6, 0.15);
}

// A view's size limits the pictures of every item, also of one whose pipeline is made after
// the view said it (the next item, or a player that was held): each new pipeline used to
// start again from the largest picture. Scaled down, a picture keeps its shape in square
// pixels, which the view letterboxes: a 16:9 clip in a 160 x 50 view is 89 x 50, where the
// scaler was free to fill the view with wide pixels that the view drew stretched.
TEST_F(GstMediaPlayerTest, AViewsSizeLimitsEveryItemsPictureWhichKeepsItsShape) {
    auto backend = std::make_unique<GstMediaPlayerBackend>();
    auto player = MediaPlayer::create(std::move(backend));
    player->setFrameSink(frames_);
    player->setPictureLimit(160, 50);
    for (const char* path : {"/clip.webm", "/clip.ogg"}) {
        frames_->count = 0;
        player->replaceCurrentItem(Url::parse(server_.url(path)));
        ASSERT_TRUE(runMainLoopUntil([&] { return frames_->count > 0; })) << path;
        EXPECT_NEAR(frames_->last.width(), 89, 1) << path;
        EXPECT_EQ(frames_->last.height(), 50) << path;
    }
    // A view that grows and shrinks again while its picture shows (each picture after a
    // seek, as a paused player shows no other).
    player->setPictureLimit(320, 180);
    player->seekToTime(0.5);
    ASSERT_TRUE(runMainLoopUntil([&] { return frames_->last.width() == 160; }));
    player->setPictureLimit(160, 50);
    player->seekToTime(1);
    ASSERT_TRUE(runMainLoopUntil([&] { return frames_->last.height() == 50; }));
    EXPECT_NEAR(frames_->last.width(), 89, 1);
}

// An ad's page names the source, of any size. Downloaded whole, it went into a file in the
// user's cache folder ("<program>-XXXXXX"; 300 MB for a source of 300 MB), outside the game's
// own folders and left there by a crash.
TEST_F(GstMediaPlayerTest, AFetchedItemStreamsAndLeavesNoFileInTheUsersCacheFolder) {
    const std::string clip = clipBytes("clip.webm");
    const std::size_t total = clip.size() + (32u << 20);
    server_.get("/long.webm", [clip, total](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(
            total, "video/webm",
            [clip](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                std::string block(std::min<std::size_t>(length, 64 << 10), '\0');
                for (std::size_t i = 0; i < block.size(); ++i) {
                    if (offset + i < clip.size()) block[i] = clip[offset + i];
                }
                return sink.write(block.data(), block.size());
            });
    });
    const std::filesystem::path cache = g_get_user_cache_dir();
    // playbin names its download after the program, "GStreamer" when the program has no name.
    const std::string prefix = std::string(g_get_prgname() ? g_get_prgname() : "GStreamer") + "-";
    auto filesOfOurs = [&] {
        std::vector<std::string> found;
        std::error_code error;
        for (auto it = std::filesystem::directory_iterator(cache, error);
             !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (name.starts_with(prefix)) found.push_back(name);
        }
        return found;
    };
    const auto before = filesOfOurs();
    auto player = makePlayer("/long.webm");
    ASSERT_TRUE(
        runMainLoopUntil([&] { return player->status() == MediaPlayerStatus::ReadyToPlay; }));
    ASSERT_TRUE(runMainLoopUntil([&] { return frames_->count > 0; }));
    EXPECT_EQ(filesOfOurs(), before);
    player->seekToTime(1.6);
    ASSERT_TRUE(runMainLoopUntil([&] {
        auto c = frames_->centre();
        return c[0] > 230 && c[1] > 230 && c[2] > 230;
    }));
    EXPECT_EQ(filesOfOurs(), before);
}

TEST_F(GstMediaPlayerTest, AudioOnlyHasNoPictureSizes) {
    auto player = makePlayer("/tone.ogg");
    ASSERT_TRUE(runMainLoopUntil([&] { return player->status() != MediaPlayerStatus::Unknown; }));
    ASSERT_EQ(player->status(), MediaPlayerStatus::ReadyToPlay);
    EXPECT_TRUE(player->videoSizes().empty());
    EXPECT_NEAR(player->duration().value_or(0), 1.0, 0.1);
}

struct HugeClip {
    const char* path;
    VideoPictureSize picture;
    // Whether the decoder is given packets: the player reads VP8's frames before it does,
    // but not JPEG's, whose decoder is held by the picture it announces.
    bool decoderSeesPackets;
};

void PrintTo(const HugeClip& clip, std::ostream* out) {
    *out << clip.path;
}

// Two frames of 16,000 x 16,000 in 3 MB, as the container says and in one that says 320 x
// 240; two JPEG frames of 4,200 x 4,200 in one that says 320 x 240. Each fails and no picture
// of that size is decoded; the player then plays a good clip.
class GstHugeVideoTest : public GstMediaPlayerTest,
                         public ::testing::WithParamInterface<HugeClip> {};

TEST_P(GstHugeVideoTest, AVideoBeyondTheLimitFailsWithNoPictureOfItsSizeDecoded) {
    auto player = makePlayer(GetParam().path);
    player->play();
    ASSERT_TRUE(runMainLoopUntil([&] { return player->status() != MediaPlayerStatus::Unknown; }));
    EXPECT_EQ(player->status(), MediaPlayerStatus::Failed);
    EXPECT_TRUE(events_->saw("status2"));
    const auto decoding = backend_->videoDecoding();
    EXPECT_EQ(decoding.packetsDecoded > 0, GetParam().decoderSeesPackets);
    EXPECT_EQ(decoding.largestDecodedPicture, (VideoPictureSize{}));
    EXPECT_EQ(decoding.refusedPicture, GetParam().picture);
    EXPECT_EQ(frames_->count, 0);

    player->replaceCurrentItem(Url::parse(server_.url("/clip.webm")));
    ASSERT_TRUE(
        runMainLoopUntil([&] { return player->status() == MediaPlayerStatus::ReadyToPlay; }));
    EXPECT_FALSE(backend_->videoDecoding().refusedPicture);
}

INSTANTIATE_TEST_SUITE_P(Containers, GstHugeVideoTest,
                         ::testing::Values(HugeClip{"/huge.webm", {16000, 16000}, false},
                                           HugeClip{"/huge-lying.webm", {16000, 16000}, false},
                                           HugeClip{"/large-lying.mkv", {4200, 4200}, true}),
                         [](const ::testing::TestParamInfo<HugeClip>& info) {
                             std::string name = info.param.path + 1;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

// Twelve frames of 4,096 x 4,096 at 60 a second: within the picture limit, four times the
// pixels a second an ad may cost. Named by the container, the stream fails before its decoder
// sees a packet; in a container that names no rate, its stamps tell at the fifth packet, a
// few frames decoded. The player then plays a short clip to its end.
TEST_F(GstMediaPlayerTest, AVideoOfTooManyPixelsASecondFailsByItsCapsOrByItsStamps) {
    for (const char* path : {"/fast-large.webm", "/fast-large-unrated.webm"}) {
        SCOPED_TRACE(path);
        events_->seen.clear();
        auto player = makePlayer(path);
        player->play();
        // Its first picture may be ready before its stamps tell.
        ASSERT_TRUE(
            runMainLoopUntil([&] { return player->status() == MediaPlayerStatus::Failed; }));
        const auto decoding = backend_->videoDecoding();
        EXPECT_EQ(decoding.refusedPicture, (VideoPictureSize{4096, 4096}));
        EXPECT_EQ(decoding.refusal, std::string("the video is 4096 x 4096 at ") +
                                        (path == std::string("/fast-large.webm") ? "60" : "4") +
                                        " frames a second, more than 1920 x 1080 at 30");
        if (path == std::string("/fast-large.webm")) {
            EXPECT_EQ(decoding.packetsDecoded, 0u);
            EXPECT_EQ(frames_->count, 0);
        } else {
            EXPECT_LE(decoding.packetsDecoded, 4u);
        }

        player->replaceCurrentItem(Url::parse(server_.url("/short.webm")));
        player->play();
        ASSERT_TRUE(runMainLoopUntil([&] { return events_->saw("ended"); }, 15));
        EXPECT_EQ(player->status(), MediaPlayerStatus::ReadyToPlay);
        EXPECT_NEAR(player->duration().value_or(0), 0.4, 0.05);
        EXPECT_FALSE(backend_->videoDecoding().refusedPicture);
    }
}

// Full HD at 30 frames a second, the most an ad's video may cost, plays to its end and again
// after a seek back to its start, as a looping ad plays it: the seek starts the count of its
// frames a second again. (Counted on, the second time through made two seconds' frames in
// one, and the loop failed at its first replay.)
TEST_F(GstMediaPlayerTest, AVideoAtTheBoundPlaysAndPlaysAgainFromItsStart) {
    auto player = makePlayer("/full-hd.webm");
    player->play();
    ASSERT_TRUE(runMainLoopUntil([&] { return events_->saw("ended"); }, 30));
    player->seekToTime(0);
    events_->seen.clear();
    player->play();
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return events_->saw("ended") || player->status() == MediaPlayerStatus::Failed; },
        30));
    EXPECT_EQ(player->status(), MediaPlayerStatus::ReadyToPlay);
    EXPECT_TRUE(events_->saw("ended"));
    const auto decoding = backend_->videoDecoding();
    EXPECT_EQ(decoding.largestDecodedPicture, (VideoPictureSize{1920, 1080}));
    EXPECT_FALSE(decoding.refusedPicture) << decoding.refusal;
}

TEST_F(GstMediaPlayerTest, BrokenSourcesFailAndAGoodOneThenPlays) {
    // A server that answers another part of the media than the one asked for.
    server_.get("/wrong-range.webm", [](const httplib::Request&, httplib::Response& res) {
        res.status = 206;
        res.set_header("Content-Range", "bytes 100-199/1000");
        res.set_content(std::string(100, 'x'), "video/webm");
    });
    for (const char* bad : {"/cut.ogg", "/missing.ogg", "/wrong-range.webm"}) {
        SCOPED_TRACE(bad);
        events_->seen.clear();
        auto player = makePlayer(bad);
        ASSERT_TRUE(
            runMainLoopUntil([&] { return player->status() != MediaPlayerStatus::Unknown; }));
        EXPECT_EQ(player->status(), MediaPlayerStatus::Failed);
        player->replaceCurrentItem(Url::parse(server_.url("/clip.webm")));
        ASSERT_TRUE(
            runMainLoopUntil([&] { return player->status() == MediaPlayerStatus::ReadyToPlay; }));
        EXPECT_EQ(player->videoSizes().size(), 1u);
    }
}

// GStreamer hands an item to the source of its protocol whatever its letter case: an address
// written "HTTP://" is fetched by our source as well, never by another.
TEST_F(GstMediaPlayerTest, AnAddressInCapitalsIsFetchedByOurSource) {
    const std::string url = server_.url("/clip.webm");
    ASSERT_TRUE(url.starts_with("http://"));
    auto player = makePlayer("/clip.webm");
    player->replaceCurrentItem(Url::parse("HTTP://" + url.substr(7)));
    ASSERT_TRUE(
        runMainLoopUntil([&] { return player->status() == MediaPlayerStatus::ReadyToPlay; }));
    EXPECT_GE(gstHttpSourcesAlive(), 1u);
}

TEST_F(GstMediaPlayerTest, TheSoundIsTheToneAndSilentWhenMuted) {
    for (bool muted : {false, true}) {
        SCOPED_TRACE(muted);
        auto backend = std::make_unique<GstMediaPlayerBackend>();
        auto peak = std::make_shared<std::atomic<int>>(0);
        auto crossings = std::make_shared<std::atomic<long>>(0);
        auto frames = std::make_shared<std::atomic<long>>(0);
        backend->setAudioOutput([peak, crossings, frames](const std::int16_t* s, std::size_t n) {
            for (std::size_t i = 0; i < n; ++i) {
                int v = std::abs(int(s[i * 2]));
                if (v > *peak) *peak = v;
                if (i > 0 && (s[i * 2 - 2] < 0) != (s[i * 2] < 0)) ++*crossings;
            }
            *frames += long(n);
        });
        auto player = MediaPlayer::create(std::move(backend));
        player->setObserver(events_);
        player->setMuted(muted);
        events_->seen.clear();
        player->replaceCurrentItem(Url::parse(server_.url("/tone.ogg")));
        player->play();
        ASSERT_TRUE(runMainLoopUntil([&] { return events_->saw("ended"); }, 15));
        ASSERT_GT(frames->load(), 30000);
        if (muted) {
            EXPECT_EQ(peak->load(), 0);
        } else {
            EXPECT_GT(peak->load(), 3000);
            // 440 Hz crosses zero 880 times a second.
            const double hz = double(crossings->load()) / 2.0 / (double(frames->load()) / 44100.0);
            EXPECT_NEAR(hz, 440, 25);
        }
    }
}

// A program's player (the installed backend) plays its sound in the current OpenAL context:
// on the loopback device the tone is heard while it plays, and nothing when it is muted.
TEST_F(GstMediaPlayerTest, TheInstalledPlayersToneIsHeardOnTheAudioDeviceAndNotWhenMuted) {
    audio::AudioDevice::setLoopbackMode(true);
    auto device = audio::AudioDevice::openDefault();
    audio::AudioDevice::setLoopbackMode(false);
    ASSERT_TRUE(device);
    ASSERT_EQ(device->createContext(GstMediaPlayerBackend::kAudioRate), ALC_NO_ERROR);
    ASSERT_EQ(device->makeCurrent(), ALC_NO_ERROR);
    GstMediaPlayerBackend::install();
    for (bool muted : {false, true}) {
        SCOPED_TRACE(muted);
        // OpenAL fades out a source that was deleted while playing (no click): the last
        // player's tail belongs to the mix before this one starts.
        device->render(GstMediaPlayerBackend::kAudioRate / 10);
        auto player = MediaPlayer::create(Url::parse(server_.url("/tone.ogg")));
        player->setObserver(events_);
        player->setMuted(muted);
        events_->seen.clear();
        player->play();
        int loudest = 0;
        long rendered = 0;
        ASSERT_TRUE(runMainLoopUntil(
            [&] {
                // A hundredth of a second mixed each turn: no faster than the tone comes.
                device->render(GstMediaPlayerBackend::kAudioRate / 100);
                rendered += GstMediaPlayerBackend::kAudioRate / 100;
                loudest = std::max(loudest, device->lastPeak());
                return events_->saw("ended");
            },
            15));
        ASSERT_GT(rendered, 0);
        if (muted) {
            EXPECT_LE(loudest, 2);  // the mixer's dither, nothing more
        } else {
            EXPECT_GT(loudest, 3000);
        }
    }
    MediaPlayer::setBackendFactory({});
}

TEST_F(GstMediaPlayerTest, APlayerFreedWhilePlayingStopsItsPipeline) {
    auto player = makePlayer("/clip.ogg");
    player->play();
    ASSERT_TRUE(runMainLoopUntil([&] { return frames_->count > 2; }));
    player.reset();
    const int count = frames_->count;
    MainLoop::main().runUntilIdle();
    EXPECT_EQ(frames_->count, count);
}

// A page may switch its video's source many times a second and make new players as it goes:
// two players switching among a playable clip, a long one read by ranges, a missing one and
// one that is no media, every 10 ms, with a new player every ten sources. Before, the game
// died within seconds: playbin reused after a switch mid-start aborted in playsink, and
// libsoup's source closed a stream of an ended message (SIGSEGV); and every element of every
// item stayed alive for good (a bus reference too many per message).

TEST(GstItemSwitchTest, SourcesSwitchedEveryFewMillisecondsLeaveNothingBehind) {
    if (!GstMediaPlayerBackend::available()) GTEST_SKIP() << "GStreamer is missing";
    platform::testing::TestHttpServer server;
    const std::string clip = clipBytes("clip.webm");
    ASSERT_FALSE(clip.empty());
    auto fetched = std::make_shared<std::atomic<int>>(0);
    server.get("/clip.webm", [clip, fetched](const httplib::Request&, httplib::Response& res) {
        ++*fetched;
        res.set_content(clip, "video/webm");
    });
    // The clip followed by 32 MB: read by ranges as the demuxer looks for its end.
    const std::size_t longSize = clip.size() + (32u << 20);
    server.get(
        "/long.webm", [clip, longSize, fetched](const httplib::Request&, httplib::Response& res) {
            ++*fetched;
            res.set_content_provider(
                longSize, "video/webm",
                [clip](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                    std::string block(std::min<std::size_t>(length, 64 << 10), '\0');
                    for (std::size_t i = 0; i < block.size() && offset + i < clip.size(); ++i)
                        block[i] = clip[offset + i];
                    return sink.write(block.data(), block.size());
                });
        });
    server.get("/noise.mp4", [fetched](const httplib::Request&, httplib::Response& res) {
        ++*fetched;
        res.set_content(std::string(2 << 20, 'a'), "video/mp4");
    });
    const char* paths[] = {"/clip.webm", "/long.webm", "/missing.webm", "/noise.mp4"};

    constexpr int kSources = 80;
    std::vector<std::shared_ptr<MediaPlayer>> players(2);
    std::vector<std::shared_ptr<Timer>> timers;
    int sources = 0;
    for (std::size_t lane = 0; lane < players.size(); ++lane) {
        timers.push_back(Timer::schedule(0.01 + 0.007 * double(lane), true, 0, [&, lane] {
            if (sources >= kSources) return;
            auto& player = players[lane];
            if (!player || sources % 10 == 0)
                player = MediaPlayer::create(std::make_unique<GstMediaPlayerBackend>());
            const std::string path = paths[(sources * 7 + lane) % 4];
            player->replaceCurrentItem(
                Url::parse(server.url(path) + "?n=" + std::to_string(sources)));
            if (sources % 2) player->play();
            ++sources;
        }));
    }
    ASSERT_TRUE(runMainLoopUntil([&] { return sources >= kSources; }, 240));
    for (auto& timer : timers) timer->invalidate();
    // The last two sources play: a player switched that often still plays what it is given.
    players[0]->replaceCurrentItem(Url::parse(server.url("/clip.webm")));
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return players[0]->status() == MediaPlayerStatus::ReadyToPlay; }, 30));
    EXPECT_GT(fetched->load(), 0);
    players.clear();
    MainLoop::main().runUntilIdle();
    EXPECT_EQ(gstHttpSourcesAlive(), 0u);
}

}  // namespace
}  // namespace platform::services
