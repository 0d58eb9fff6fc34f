// A page may switch its video's source many times a second and make new players as it goes:
// two players switching among a playable clip, a long one read by ranges, a missing one and
// one that is no media, every 10 ms, with a new player every ten sources. Before, the game
// died within seconds: playbin reused after a switch mid-start aborted in playsink, and
// libsoup's source closed a stream of an ended message (SIGSEGV); and every element of every
// item stayed alive for good (a bus reference too many per message).

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/MainLoop.h"
#include "platform/runtime/Timer.h"
#include "platform/services/MediaPlayer.h"
#include "platform/services/gst/GstHttpSource.h"
#include "platform/services/gst/GstMediaPlayerBackend.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"

namespace platform::services {
namespace {

using platform::testing::runMainLoopUntil;

std::string clipBytes(const std::string& name) {
    std::ifstream in(std::string(MOVU_BINARY_DIR) + "/media_clips/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

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

    constexpr int kSources = 120;
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
