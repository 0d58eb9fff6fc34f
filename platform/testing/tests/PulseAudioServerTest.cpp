// The sound server of a test's own: who it lists, what it counts and what its recorder hears,
// with a client the test starts itself (pacat), so a WebKit test that leans on it judges the
// engine and not the helper.

#include "platform/testing/PulseAudioServer.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TempDir.h"

extern char** environ;

namespace {

using platform::testing::loudestToneShare;
using platform::testing::PulseAudioServer;
using platform::testing::toneShare;

std::vector<std::int16_t> tone(double hertz, double seconds, double amplitude, int rate) {
    std::vector<std::int16_t> samples(std::size_t(seconds * rate));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = std::int16_t(amplitude * std::sin(2 * std::numbers::pi * hertz * i / rate));
    return samples;
}

TEST(PulseAudioServerTest, AToneIsToldFromSilenceNoiseAndOtherTones) {
    constexpr int rate = PulseAudioServer::kRecordingRate;
    const auto a = tone(440, 0.1, 12000, rate);
    EXPECT_GT(toneShare(a.data(), a.size(), 440, rate), 0.95);
    EXPECT_LT(toneShare(a.data(), a.size(), 1000, rate), 0.05);
    EXPECT_LT(toneShare(a.data(), a.size(), 470, rate), 0.05);
    std::vector<std::int16_t> noise(std::size_t(rate) / 10);
    std::uint32_t state = 12345;
    for (auto& sample : noise) {
        state = state * 1664525u + 1013904223u;
        sample = std::int16_t(state >> 16);
    }
    EXPECT_LT(toneShare(noise.data(), noise.size(), 440, rate), 0.05);
    const std::vector<std::int16_t> silence(std::size_t(rate), 0);
    EXPECT_EQ(toneShare(silence.data(), silence.size(), 440, rate), 0);

    // In a recording, a tone a tenth of a second long among silence, noise and a tone too
    // quiet to hear.
    std::vector<std::int16_t> recording = silence;
    recording.insert(recording.end(), noise.begin(), noise.end());
    const auto faint = tone(440, 0.5, 50, rate);
    EXPECT_LT(loudestToneShare(recording, 440, rate), 0.05);
    recording.insert(recording.end(), faint.begin(), faint.end());
    EXPECT_LT(loudestToneShare(recording, 440, rate), 0.05);
    recording.insert(recording.end(), a.begin(), a.end());
    EXPECT_GT(loudestToneShare(recording, 440, rate), 0.95);
    EXPECT_LT(loudestToneShare(recording, 880, rate), 0.05);
}

TEST(PulseAudioServerTest, ListsAndCountsWhoPlaysAndRecordsWhatItPlayed) {
    platform::MainLoopTestScope scope;
    PulseAudioServer server;
    ASSERT_FALSE(server.address().empty()) << server.log();
    EXPECT_TRUE(server.clients().empty());
    EXPECT_TRUE(server.sinkInputs().empty());
    EXPECT_EQ(server.connectionsByOthers(), 0);
    ASSERT_TRUE(server.startRecording());

    // Ten seconds of a tone, of which the test hears a little and then stops the player.
    platform::testing::TempDir folder;
    constexpr int rate = PulseAudioServer::kRecordingRate;
    const auto a = tone(440, 10, 12000, rate);
    const std::string path = (folder / "tone.raw").string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(a.data()), std::streamsize(a.size() * 2));
    std::vector<std::unique_ptr<platform::testing::ScopedEnv>> environment;
    for (const auto& [name, value] : server.clientEnvironment())
        environment.push_back(std::make_unique<platform::testing::ScopedEnv>(name.c_str(), value));
    const std::string rateArgument = "--rate=" + std::to_string(rate);
    const char* argv[] = {"pacat", rateArgument.c_str(), "--channels=1", "--format=s16le",
                          "--raw", path.c_str(),         nullptr};
    pid_t player = -1;
    ASSERT_EQ(::posix_spawnp(&player, "pacat", nullptr, nullptr, const_cast<char**>(argv), environ),
              0);
    environment.clear();

    const auto playing = [&] {
        const auto streams = server.sinkInputs();
        return std::any_of(streams.begin(), streams.end(),
                           [&](const auto& stream) { return stream.process() == player; });
    };
    EXPECT_TRUE(platform::testing::runMainLoopUntil(playing)) << server.log();
    EXPECT_TRUE(platform::testing::runMainLoopUntil([&] {
        return loudestToneShare(server.recording(), 440, rate) > 0.9;
    })) << server.recording().size()
        << " samples recorded\n"
        << server.log();
    const auto clients = server.clients();
    ASSERT_EQ(clients.size(), 1u) << platform::testing::describe(clients);
    EXPECT_EQ(clients[0].process(), player);
    EXPECT_EQ(clients[0].value("application.process.binary"), "pacat");
    EXPECT_EQ(server.connectionsByOthers(), 1);
    EXPECT_LT(loudestToneShare(server.recording(), 1000, rate), 0.1);

    ::kill(player, SIGTERM);
    ::waitpid(player, nullptr, 0);
    EXPECT_TRUE(platform::testing::runMainLoopUntil([&] { return server.clients().empty(); }));
    EXPECT_EQ(server.connectionsByOthers(), 1);
}

}  // namespace
