// The effect engine against the recorded OpenAL layer, where the order of calls is the point.

#include "platform/audio/AudioFormat.h"
#include "platform/audio/RecordingOpenAL.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "sound/SoundEngineState.h"
#include "sound/tests/SoundTestSupport.h"

#include <algorithm>

using namespace sound;

using namespace platform::audio;

namespace {

class RecordedEngine : public ::testing::Test {
  protected:
    void SetUp() override {
        spec.sampleRate = 22050;
        tone = makeTone(dir, "tone.wav", 2205, spec);
        attack = makeTone(dir, "attack.wav", 1000, spec);
        decay = makeTone(dir, "decay.wav", 1000, spec);
    }

    int indexOf(const std::string& line) {
        auto calls = recorder.calls();
        auto it = std::find(calls.begin(), calls.end(), line);
        return it == calls.end() ? -1 : static_cast<int>(it - calls.begin());
    }

    RecordingOpenAL recorder;
    ScopedOpenAL scoped{recorder};
    CleanEngine clean;
    TempDir dir;
    SoundFileSpec spec;
    std::string tone, attack, decay;
};

std::vector<ALuint> queueOf(const RecordingOpenAL& r, ALuint source) {
    auto q = r.source(source).queue;
    return {q.begin(), q.end()};
}

}  // namespace

TEST_F(RecordedEngine, AnswersOneBeforeTheManagerAndFiveWithoutADevice) {
    EXPECT_EQ(EffectStart(1), kSoundNoManager);
    EXPECT_EQ(EffectStop(1, true), kSoundNoManager);
    EXPECT_EQ(EffectSetPitch(1, 1), kSoundNoManager);
    EXPECT_EQ(EffectSetLevel(1, 1), kSoundNoManager);
    EXPECT_EQ(EffectSetPosition(1, 0, 0, 0), kSoundNoManager);
    EXPECT_EQ(EffectUnload(1), kSoundNoManager);
    EXPECT_EQ(ListenerSetPosition(0, 0, 1), kSoundNoManager);
    EXPECT_EQ(BackgroundTrackStart(), kSoundNoManager);
    EXPECT_EQ(BackgroundTrackSetVolume(0.5f), kSoundNoManager);
    EXPECT_EQ(BackgroundTrackUnload(), 0);
    EXPECT_TRUE(recorder.calls().empty());

    recorder.setNoDevice(true);
    EXPECT_EQ(SoundSystemInitialize(44100), kSoundNoDevice);
    uint32_t id = 0;
    EXPECT_EQ(EffectLoad(tone.c_str(), &id), kSoundNoDevice);
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(ListenerSetPosition(0, 0, 1), kSoundNoDevice);
    EXPECT_EQ(EffectStart(7), kSoundNoSuchEffect);
    EXPECT_EQ(recorder.liveSources(), 0u);
}

TEST_F(RecordedEngine, FirstLoadOpensTheDeviceAtItsOwnRateAndInitializeAsksForOne) {
    uint32_t id = 0;
    ASSERT_EQ(EffectLoad(tone.c_str(), &id), 0);
    EXPECT_TRUE(recorder.contextAttributes().empty());
    EXPECT_NE(recorder.currentContext(), nullptr);
    EXPECT_EQ(recorder.source(id).queue.size(), 1u);  // the one-shot's static buffer
    EXPECT_EQ(recorder.source(id).type, AL_STATIC);
    auto buffer = recorder.buffer(recorder.source(id).queue.front());
    EXPECT_EQ(buffer.format, AL_FORMAT_MONO16);
    EXPECT_EQ(buffer.size, 2205 * 2);
    EXPECT_EQ(buffer.frequency, 22050);

    ASSERT_EQ(SoundSystemInitialize(44100), 0);
    EXPECT_EQ(recorder.contextAttributes(), (std::vector<ALCint>{ALC_FREQUENCY, 44100}));
    EXPECT_EQ(recorder.liveSources(), 0u);  // the old manager's effects went with it
    EXPECT_EQ(EffectStart(id), kSoundNoSuchEffect);
}

TEST_F(RecordedEngine, TeardownDeletesSourcesThenBuffersThenDropsContextAndDevice) {
    ASSERT_EQ(SoundSystemInitialize(44100), 0);
    uint32_t one = 0, looping = 0;
    ASSERT_EQ(EffectLoad(tone.c_str(), &one), 0);
    ASSERT_EQ(EffectLoadLooping(tone.c_str(), attack.c_str(), decay.c_str(), &looping), 0);
    ASSERT_EQ(EffectStart(one), 0);  // a playing static buffer must not block the teardown
    recorder.clearCalls();

    EXPECT_EQ(SoundSystemTeardown(), 0);
    auto calls = recorder.calls();
    int lastSource = -1, firstBuffer = 1 << 30, lastBuffer = -1;
    for (int i = 0; i < static_cast<int>(calls.size()); ++i) {
        if (calls[i].rfind("alDeleteSources", 0) == 0) lastSource = i;
        if (calls[i].rfind("alDeleteBuffers", 0) == 0) {
            firstBuffer = std::min(firstBuffer, i);
            lastBuffer = i;
        }
    }
    EXPECT_LT(lastSource, firstBuffer);
    EXPECT_LT(lastBuffer, indexOf("alcMakeContextCurrent(null)"));
    EXPECT_LT(indexOf("alcMakeContextCurrent(null)"), indexOf("alcDestroyContext"));
    EXPECT_LT(indexOf("alcDestroyContext"), indexOf("alcCloseDevice"));
    EXPECT_EQ(recorder.liveSources(), 0u);
    EXPECT_EQ(recorder.liveBuffers(), 0u);
    EXPECT_FALSE(recorder.deviceOpen());
}

TEST_F(RecordedEngine, EveryFailedLoadReleasesWhatItAllocated) {
    ASSERT_EQ(SoundSystemInitialize(0), 0);
    platform::LogSink::Capture log;
    uint32_t id = 0;

    EXPECT_EQ(EffectLoad((dir / "missing.wav").string().c_str(), &id), kAudioFileFileNotFoundError);
    EXPECT_TRUE(log.contains("Error loading looping file info: -43"));

    EXPECT_EQ(
        EffectLoadLooping((dir / "missing.wav").string().c_str(), attack.c_str(), nullptr, &id),
        kAudioFileFileNotFoundError);
    EXPECT_EQ(
        EffectLoadLooping(tone.c_str(), attack.c_str(), (dir / "gone.wav").string().c_str(), &id),
        kAudioFileFileNotFoundError);
    EXPECT_TRUE(log.contains("Error loading decay file info: -43"));

    recorder.failNext("alBufferData", AL_OUT_OF_MEMORY);
    EXPECT_EQ(EffectLoad(tone.c_str(), &id), AL_OUT_OF_MEMORY);
    EXPECT_TRUE(log.contains("Error attaching data to buffer: a005"));

    recorder.failNext("alGenBuffers", AL_OUT_OF_MEMORY);
    EXPECT_EQ(EffectLoadLooping(tone.c_str(), attack.c_str(), nullptr, &id), AL_OUT_OF_MEMORY);

    recorder.failNext("alSourcei", AL_INVALID_OPERATION);
    EXPECT_EQ(EffectLoad(tone.c_str(), &id), AL_INVALID_OPERATION);
    EXPECT_TRUE(log.contains("Error attaching file data to effect: a004"));

    EXPECT_EQ(EffectLoad(nullptr, &id), kSoundBadPath);
    EXPECT_EQ(EffectLoad("", &id), kSoundBadPath);

    EXPECT_EQ(id, 0u);  // no failed load hands out an id
    EXPECT_EQ(recorder.liveSources(), 0u);
    EXPECT_EQ(recorder.liveBuffers(), 0u);
}

TEST_F(RecordedEngine, SampleLayoutsDecideWhatOpenALIsGiven) {
    ASSERT_EQ(SoundSystemInitialize(0), 0);
    uint32_t id = 0;
    SoundFileSpec stereo;
    stereo.channels = 2;
    ASSERT_EQ(EffectLoad(makeTone(dir, "st.wav", 100, stereo).c_str(), &id), 0);
    EXPECT_EQ(recorder.buffer(recorder.source(id).queue.front()).format, AL_FORMAT_STEREO16);

    SoundFileSpec bigEndian;
    bigEndian.container = SoundFileSpec::Container::Aiff;
    EXPECT_EQ(EffectLoad(makeTone(dir, "be.aiff", 100, bigEndian).c_str(), &id), kSoundBadFormat);

    SoundFileSpec deep;
    deep.sample = SoundFileSpec::Sample::S24;
    EXPECT_EQ(EffectLoad(makeTone(dir, "d.wav", 100, deep).c_str(), &id), AL_INVALID_ENUM);

    // Signed 8-bit samples reach OpenAL as the unsigned samples it expects.
    SoundFileSpec signed8;
    signed8.container = SoundFileSpec::Container::Aiff;
    signed8.sample = SoundFileSpec::Sample::S8;
    std::string path = (dir / "s8.aiff").string();
    ASSERT_TRUE(writeSoundFile(path, signed8, {0, 16384, -16384, 256}));
    ASSERT_EQ(EffectLoad(path.c_str(), &id), 0);
    auto buffer = recorder.buffer(recorder.source(id).queue.front());
    EXPECT_EQ(buffer.format, AL_FORMAT_MONO8);
    EXPECT_EQ(buffer.data, (std::vector<unsigned char>{0x80, 0xC0, 0x40, 0x81}));
}

TEST_F(RecordedEngine, LoopingEffectGoesFromAttackIntoLoopAndOutThroughDecay) {
    ASSERT_EQ(SoundSystemInitialize(44100), 0);
    uint32_t id = 0;
    ASSERT_EQ(EffectLoadLooping(tone.c_str(), attack.c_str(), decay.c_str(), &id), 0);
    EXPECT_EQ(recorder.source(id).type, AL_UNDETERMINED);  // nothing attached before a start

    ASSERT_EQ(EffectStart(id), 0);
    std::vector<ALuint> attackThenLoop = queueOf(recorder, id);
    ASSERT_EQ(attackThenLoop.size(), 2u);
    EXPECT_FALSE(recorder.source(id).looping);
    ASSERT_TRUE(recorder.waitForCall("alSourcePlay(" + std::to_string(id) + ")"));

    recorder.finishBuffers(id, 1);  // the attack has played
    ASSERT_EQ(EffectWaitForHandOver(id), 0);
    EXPECT_EQ(queueOf(recorder, id), std::vector<ALuint>{attackThenLoop[1]});
    EXPECT_TRUE(recorder.source(id).looping);
    EXPECT_EQ(recorder.source(id).state, AL_PLAYING);

    ASSERT_EQ(EffectStop(id, true), 0);
    auto withDecay = queueOf(recorder, id);
    ASSERT_EQ(withDecay.size(), 2u);
    EXPECT_EQ(withDecay[0], attackThenLoop[1]);
    EXPECT_FALSE(recorder.source(id).looping);
    recorder.finishBuffers(id, 2);
    EXPECT_EQ(recorder.source(id).state, AL_STOPPED);  // stopped by itself after the decay

    // A restart begins with the attack again.
    ASSERT_EQ(EffectStart(id), 0);
    EXPECT_EQ(queueOf(recorder, id), attackThenLoop);
    EXPECT_EQ(SoundSystemTeardown(), 0);
}

TEST_F(RecordedEngine, RestartStopAndUnloadCancelTheThreadBeforeTouchingTheQueue) {
    ASSERT_EQ(SoundSystemInitialize(44100), 0);
    uint32_t id = 0;
    ASSERT_EQ(EffectLoadLooping(tone.c_str(), attack.c_str(), nullptr, &id), 0);
    const std::string play = "alSourcePlay(" + std::to_string(id) + ")";

    // The thread is still waiting for the attack when the effect restarts: it must give up
    // and leave the fresh queue alone.
    ASSERT_EQ(EffectStart(id), 0);
    ASSERT_TRUE(recorder.waitForCall(play));
    auto first = queueOf(recorder, id);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(EffectStart(id), 0);
    EXPECT_EQ(queueOf(recorder, id), first);
    EXPECT_FALSE(recorder.source(id).looping);

    // Stop without decay while attacking: stops at once, and nothing switches looping on later.
    ASSERT_EQ(EffectStop(id, false), 0);
    EXPECT_EQ(recorder.source(id).state, AL_STOPPED);
    EXPECT_EQ(EffectWaitForHandOver(id), 0);
    EXPECT_FALSE(recorder.source(id).looping);

    // Unloading while the thread polls deletes the source only after the thread is gone.
    ASSERT_EQ(EffectStart(id), 0);
    ASSERT_EQ(EffectUnload(id), 0);
    EXPECT_FALSE(recorder.hasSource(id));
    EXPECT_EQ(recorder.liveBuffers(), 0u);
    EXPECT_EQ(EffectStart(id), kSoundNoSuchEffect);
}

TEST_F(RecordedEngine, LoopWithoutAttackRepeatsAtOnceAndStopsAtOnce) {
    ASSERT_EQ(SoundSystemInitialize(44100), 0);
    uint32_t id = 0;
    ASSERT_EQ(EffectLoadLooping(tone.c_str(), nullptr, nullptr, &id), 0);
    ASSERT_EQ(EffectStart(id), 0);
    ASSERT_EQ(EffectWaitForHandOver(id), 0);
    EXPECT_EQ(recorder.source(id).queue.size(), 1u);
    EXPECT_TRUE(recorder.source(id).looping);
    EXPECT_EQ(recorder.source(id).state, AL_PLAYING);
    // Restarting a looping source works although OpenAL refuses to unqueue from one.
    ASSERT_EQ(EffectStart(id), 0);
    ASSERT_EQ(EffectWaitForHandOver(id), 0);
    EXPECT_EQ(recorder.source(id).queue.size(), 1u);
    ASSERT_EQ(EffectStop(id, true), 0);  // no decay file: stops at once
    EXPECT_EQ(recorder.source(id).state, AL_STOPPED);
}

// A running output mixes silence all the time: it rests once a look finds nothing sounding, and
// wakes before the next sound, which must not be lost to a resting mixer.
TEST_F(RecordedEngine, TheOutputRestsWhileNothingSoundsAndWakesBeforeTheNextSound) {
    platform::MainLoopTestScope loop;
    const double look = SoundSystem::kRestLookSeconds + 1;
    ASSERT_EQ(SoundSystemInitialize(44100), 0);
    uint32_t shot = 0, hum = 0;
    ASSERT_EQ(EffectLoad(tone.c_str(), &shot), 0);
    ASSERT_EQ(EffectLoadLooping(tone.c_str(), attack.c_str(), nullptr, &hum), 0);
    loop.advance(look);
    EXPECT_TRUE(recorder.devicePaused());  // opened and nothing played yet

    // Waking comes before the play; a playing shot and a hand-over still under way both keep
    // the output awake through any number of looks.
    ASSERT_EQ(EffectStart(shot), 0);
    EXPECT_LT(indexOf("alcDeviceResumeSOFT"),
              indexOf("alSourcePlay(" + std::to_string(shot) + ")"));
    loop.advance(look * 3);
    EXPECT_FALSE(recorder.devicePaused());
    recorder.finishBuffers(shot, 1);
    ASSERT_EQ(EffectStart(hum), 0);
    ASSERT_TRUE(recorder.waitForCall("alSourcePlay(" + std::to_string(hum) + ")"));
    loop.advance(look);
    EXPECT_FALSE(recorder.devicePaused());
    recorder.finishBuffers(hum, 1);
    ASSERT_EQ(EffectWaitForHandOver(hum), 0);
    loop.advance(look);
    EXPECT_FALSE(recorder.devicePaused());  // the loop goes on
    ASSERT_EQ(EffectStop(hum, false), 0);
    loop.advance(look);
    EXPECT_TRUE(recorder.devicePaused());

    // At rest nothing looks any more: the main loop has nothing left to wake for.
    recorder.clearCalls();
    loop.advance(600);
    EXPECT_TRUE(recorder.calls().empty());
    ASSERT_EQ(EffectStart(shot), 0);
    EXPECT_EQ(recorder.calls().front(), "alcDeviceResumeSOFT");
    EXPECT_EQ(SoundSystemTeardown(), 0);
}

TEST_F(RecordedEngine, SourcePropertiesPassThroughAndReportOpenALErrors) {
    ASSERT_EQ(SoundSystemInitialize(44100), 0);
    uint32_t id = 0;
    ASSERT_EQ(EffectLoad(tone.c_str(), &id), 0);
    EXPECT_EQ(EffectSetLevel(id, 0.25f), 0);
    EXPECT_EQ(EffectSetPitch(id, 1.5f), 0);
    EXPECT_EQ(EffectSetPosition(id, 1, 2, 3), 0);
    EXPECT_EQ(ListenerSetPosition(0, 0, 1), 0);
    auto s = recorder.source(id);
    EXPECT_FLOAT_EQ(s.gain, 0.25f);
    EXPECT_FLOAT_EQ(s.pitch, 1.5f);
    EXPECT_FLOAT_EQ(s.position[2], 3.0f);
    EXPECT_FLOAT_EQ(recorder.listenerPosition(2), 1.0f);

    platform::LogSink::Capture log;
    EXPECT_EQ(EffectSetLevel(id, -1), AL_INVALID_VALUE);
    EXPECT_TRUE(log.contains("Error setting level: a003"));
    EXPECT_EQ(EffectSetLevel(id + 100, 1), kSoundNoSuchEffect);
}
