// The effect engine on openal-soft itself: the null output (as in CI) and loopback devices
// that mix only as far as a test renders.

#include "sound/tests/SoundTestSupport.h"

#include <cstdlib>

using namespace sound;

using namespace platform::audio;

namespace {

class DeviceEngine : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(kNullAudioOutput); }
    CleanEngine clean;
    TempDir dir;
};

ALint bufferInt(ALuint buffer, ALenum param) {
    ALint value = 0;
    alGetBufferi(buffer, param, &value);
    return value;
}

}  // namespace

TEST_F(DeviceEngine, NullOutputLoadsAndPlaysEffectsAndRefusesWhatOpenALCannotTake) {
    ASSERT_EQ(SoundSystemInitialize(44100), 0);
    ALCint rate = 0;
    alcGetIntegerv(alcGetContextsDevice(alcGetCurrentContext()), ALC_FREQUENCY, 1, &rate);
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(ListenerSetPosition(0, 0, 1), 0);

    SoundFileSpec stereo;
    stereo.channels = 2;
    uint32_t a = 0, b = 0;
    ASSERT_EQ(EffectLoad(makeTone(dir, "a.wav", 2000, stereo).c_str(), &a), 0);
    ASSERT_EQ(EffectLoad(makeTone(dir, "b.wav", 2000).c_str(), &b), 0);
    EXPECT_NE(a, 0u);
    EXPECT_NE(a, b);
    ALuint buffer = static_cast<ALuint>(sourceInt(a, AL_BUFFER));
    EXPECT_EQ(bufferInt(buffer, AL_CHANNELS), 2);
    EXPECT_EQ(bufferInt(buffer, AL_BITS), 16);
    EXPECT_EQ(bufferInt(buffer, AL_FREQUENCY), 22050);

    EXPECT_EQ(EffectStart(a), 0);
    EXPECT_EQ(sourceInt(a, AL_SOURCE_STATE), AL_PLAYING);
    EXPECT_EQ(EffectStop(a, false), 0);
    EXPECT_EQ(sourceInt(a, AL_SOURCE_STATE), AL_STOPPED);
    EXPECT_EQ(EffectSetLevel(a, 0.5f), 0);
    EXPECT_EQ(EffectSetLevel(a, -1.0f), AL_INVALID_VALUE);

    uint32_t bad = 0;
    SoundFileSpec bigEndian;
    bigEndian.container = SoundFileSpec::Container::Aiff;
    EXPECT_EQ(EffectLoad(makeTone(dir, "be.aiff", 100, bigEndian).c_str(), &bad), kSoundBadFormat);
    SoundFileSpec deep;
    deep.sample = SoundFileSpec::Sample::S24;
    EXPECT_EQ(EffectLoad(makeTone(dir, "d.wav", 100, deep).c_str(), &bad), AL_INVALID_ENUM);
    SoundFileSpec flac;
    flac.container = SoundFileSpec::Container::Flac;
    EXPECT_EQ(EffectLoad(makeTone(dir, "c.flac", 100, flac).c_str(), &bad), AL_INVALID_ENUM);
    EXPECT_EQ(bad, 0u);

    EXPECT_EQ(EffectUnload(a), 0);
    EXPECT_FALSE(alIsSource(a));
    EXPECT_EQ(EffectStart(a), kSoundNoSuchEffect);
    EXPECT_EQ(SoundSystemTeardown(), 0);
    EXPECT_EQ(alcGetCurrentContext(), nullptr);
}

TEST_F(DeviceEngine, LoopingEffectPlaysAttackOnceThenLoopsThenDecaysOnLoopback) {
    LoopbackDevices loopback;
    ASSERT_EQ(SoundSystemInitialize(44100), 0);
    SoundFileSpec spec;
    spec.sampleRate = 44100;
    uint32_t id = 0;
    ASSERT_EQ(EffectLoadLooping(makeTone(dir, "loop.wav", 4410, spec).c_str(),
                                makeTone(dir, "attack.wav", 2205, spec, 880).c_str(),
                                makeTone(dir, "decay.wav", 2205, spec, 220).c_str(), &id),
              0);

    for (int round = 0; round < 2; ++round) {  // the second round is a restart
        ASSERT_EQ(EffectStart(id), 0);
        EXPECT_EQ(sourceInt(id, AL_BUFFERS_QUEUED), 2);
        ASSERT_TRUE(waitUntilPlaying(id));
        loopback.device().render(4096);  // past the attack's 2205 frames
        EXPECT_GT(loopback.device().lastPeak(), 1000);
        ASSERT_EQ(EffectWaitForHandOver(id), 0);
        EXPECT_EQ(sourceInt(id, AL_BUFFERS_QUEUED), 1);
        EXPECT_EQ(sourceInt(id, AL_LOOPING), AL_TRUE);

        // The loop keeps going far beyond its length.
        for (int i = 0; i < 10; ++i) loopback.device().render(4410);
        EXPECT_EQ(sourceInt(id, AL_SOURCE_STATE), AL_PLAYING);

        ASSERT_EQ(EffectStop(id, true), 0);
        EXPECT_EQ(sourceInt(id, AL_BUFFERS_QUEUED), 2);
        EXPECT_EQ(sourceInt(id, AL_LOOPING), AL_FALSE);
        loopback.device().render(4410 + 2205 + 1024);
        EXPECT_EQ(sourceInt(id, AL_SOURCE_STATE), AL_STOPPED);
    }
    EXPECT_EQ(SoundSystemTeardown(), 0);
}

TEST_F(DeviceEngine, LevelScalesWhatIsHeard) {
    LoopbackDevices loopback;
    ASSERT_EQ(SoundSystemInitialize(44100), 0);
    ASSERT_EQ(ListenerSetPosition(0, 0, 1), 0);
    SoundFileSpec spec;
    spec.sampleRate = 44100;
    uint32_t id = 0;
    ASSERT_EQ(EffectLoad(makeTone(dir, "t.wav", 44100, spec, 441, 30000).c_str(), &id), 0);
    ASSERT_EQ(EffectSetPosition(id, 0, 0, 0), 0);
    auto peakAt = [&](float level) {
        EXPECT_EQ(EffectSetLevel(id, level), 0);
        EXPECT_EQ(EffectStart(id), 0);
        loopback.device().render(2048);  // the gain ramps in over the first block
        loopback.device().render(4096);
        return loopback.device().lastPeak();
    };
    int full = peakAt(1.0f);
    int half = peakAt(0.5f);
    int fifth = peakAt(0.2f);
    ASSERT_GT(full, 5000);
    EXPECT_NEAR(half / double(full), 0.5, 0.03);
    EXPECT_NEAR(fifth / double(full), 0.2, 0.03);
}
