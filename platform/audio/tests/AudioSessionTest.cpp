#include "platform/audio/AudioSession.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/audio/AudioDevice.h"

using namespace platform::audio;

namespace {

// As under CTest, also when the binary is started by hand.
const bool kNullAudioOutput = [] { return ::setenv("ALSOFT_DRIVERS", "null", 0) == 0; }();

TEST(AudioSessionTest, RouteIsOneSpeakerWhileAnOutputDeviceIsOpen) {
    ASSERT_TRUE(kNullAudioOutput);
    AudioSession& session = AudioSession::shared();
    session.reset();
    EXPECT_TRUE(session.currentRouteOutputs().empty());
    EXPECT_EQ(session.outputVolume(), 1.0f);

    const AudioSessionPortDescription speaker{kAudioSessionPortBuiltInSpeaker,
                                              kAudioSessionPortBuiltInSpeaker};
    {
        auto device = AudioDevice::openDefault();
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(session.currentRouteOutputs(), std::vector{speaker});
        // A loopback device plays to no one: it adds no output.
        AudioDevice::setLoopbackMode(true);
        auto loopback = AudioDevice::openDefault();
        AudioDevice::setLoopbackMode(false);
        ASSERT_NE(loopback, nullptr);
        EXPECT_EQ(session.currentRouteOutputs().size(), 1u);
        loopback.reset();
        EXPECT_EQ(session.currentRouteOutputs().size(), 1u);
    }
    EXPECT_TRUE(session.currentRouteOutputs().empty());

    // Tests set the route; reset forgets it.
    const AudioSessionPortDescription phones{kAudioSessionPortHeadphones, "Headphones"};
    session.setRouteForTesting(std::vector{phones, speaker}, 0.0f);
    EXPECT_EQ(session.currentRouteOutputs(), (std::vector{phones, speaker}));
    EXPECT_EQ(session.outputVolume(), 0.0f);
    session.reset();
    EXPECT_TRUE(session.currentRouteOutputs().empty());
    EXPECT_EQ(session.outputVolume(), 1.0f);
}

}  // namespace
