#include "platform/audio/AudioDevice.h"
#include "platform/audio/RecordingOpenAL.h"
#include "platform/audio/SoundFileWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace platform::audio;

namespace {

// As under CTest, also when the binary is started by hand.
const bool kNullAudioOutput = [] { return ::setenv("ALSOFT_DRIVERS", "null", 0) == 0; }();

class LoopbackMode {
  public:
    LoopbackMode() { AudioDevice::setLoopbackMode(true); }
    ~LoopbackMode() { AudioDevice::setLoopbackMode(false); }
};

}  // namespace

TEST(AudioDevice, NullDriverOpensAndMixesAtTheAskedRate) {
    ASSERT_TRUE(kNullAudioOutput);
    auto device = AudioDevice::openDefault();
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->createContext(22050), ALC_NO_ERROR);
    EXPECT_EQ(device->frequency(), 22050);
    ASSERT_EQ(device->makeCurrent(), ALC_NO_ERROR);
    EXPECT_EQ(alcGetCurrentContext(), device->context());
    device.reset();
    EXPECT_EQ(alcGetCurrentContext(), nullptr);
}

TEST(AudioDevice, LoopbackRendersWhatASourcePlays) {
    LoopbackMode loopback;
    auto device = AudioDevice::openDefault();
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(device->isLoopback());
    EXPECT_EQ(AudioDevice::activeLoopback(), device.get());
    ASSERT_EQ(device->createContext(44100), ALC_NO_ERROR);
    ASSERT_EQ(device->makeCurrent(), ALC_NO_ERROR);

    auto tone = sineTone(4410, 1, 44100, 441, 20000);
    ALuint buffer = 0, source = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, AL_FORMAT_MONO16, tone.data(), static_cast<ALsizei>(tone.size() * 2),
                 44100);
    alGenSources(1, &source);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
    alSourcePlay(source);
    ASSERT_EQ(alGetError(), AL_NO_ERROR);

    device->render(1024);
    EXPECT_GT(device->lastPeak(), 2000);
    alSourceStop(source);
    device->render(1024);
    device->render(1024);
    EXPECT_LT(device->lastPeak(), 50);  // silence, give or take dither

    alDeleteSources(1, &source);
    alDeleteBuffers(1, &buffer);
    device.reset();
    EXPECT_EQ(AudioDevice::activeLoopback(), nullptr);
}

TEST(AudioDevice, AsksForTheRateOnlyWhenGivenAndClosesInOrder) {
    RecordingOpenAL recorder;
    ScopedOpenAL scoped(recorder);
    {
        auto device = AudioDevice::openDefault();
        ASSERT_NE(device, nullptr);
        ASSERT_EQ(device->createContext(0), ALC_NO_ERROR);
        EXPECT_TRUE(recorder.contextAttributes().empty());
    }
    recorder.clearCalls();
    {
        auto device = AudioDevice::openDefault();
        ASSERT_EQ(device->createContext(44100), ALC_NO_ERROR);
        EXPECT_EQ(recorder.contextAttributes(), (std::vector<ALCint>{ALC_FREQUENCY, 44100}));
        ASSERT_EQ(device->makeCurrent(), ALC_NO_ERROR);
    }
    EXPECT_EQ(recorder.calls(), (std::vector<std::string>{
                                    "alcOpenDevice(default)",
                                    "alcCreateContext(4103=44100)",
                                    "alcMakeContextCurrent(context)",
                                    "alcMakeContextCurrent(null)",
                                    "alcDestroyContext",
                                    "alcCloseDevice",
                                }));
    EXPECT_FALSE(recorder.deviceOpen());

    recorder.setNoDevice(true);
    EXPECT_EQ(AudioDevice::openDefault(), nullptr);
}
