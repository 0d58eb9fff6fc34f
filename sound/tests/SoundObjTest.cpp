// SoundObj over the engine: against the recorded OpenAL layer where calls are the point, and on
// a loopback device where what is heard is.

#include "platform/audio/AudioSession.h"
#include "platform/audio/RecordingOpenAL.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "sound/BackgroundTrackPlayer.h"
#include "sound/SoundEngineState.h"
#include "sound/tests/SoundTestSupport.h"

#include <algorithm>
#include <filesystem>

using namespace sound;

using namespace platform::audio;

namespace {

class SoundObjects : public ::testing::Test {
  protected:
    void SetUp() override {
        AudioSession::shared().reset();
        makeTone(dir, "fall2.wav", 2000);
        makeTone(dir, "go.wav", 2000);
        makeTone(dir, "hum.wav", 2000);
        SoundFileSpec caf;
        caf.container = SoundFileSpec::Container::Caf;
        makeTone(dir, "tune.caf", 22050, caf);
        makeTone(dir, "other.caf", 22050, caf);
        SoundObj::setResourcePathResolver([this](const std::string& name, const std::string& type) {
            std::string path = (dir / (name + "." + type)).string();
            return std::filesystem::exists(path) ? path : std::string();
        });
    }

    int count(const std::string& prefix) {
        auto calls = recorder.calls();
        return static_cast<int>(std::count_if(
            calls.begin(), calls.end(), [&](const auto& c) { return c.rfind(prefix, 0) == 0; }));
    }

    RecordingOpenAL recorder;
    ScopedOpenAL scoped{recorder};
    platform::MainLoopTestScope loop;
    CleanEngine clean;
    TempDir dir;
};

}  // namespace

TEST_F(SoundObjects, ZeroVolumeKeepsTheEngineDownUntilAVolumeBringsItUp) {
    auto fall = SoundObj::newEffectWithResourceName("fall2", "wav");
    auto hum = SoundObj::newLoopingEffectWithResourceName("hum", "wav");
    fall->setVolume(40);
    EXPECT_EQ(fall->resourcePath(), (dir / "fall2.wav").string());
    EXPECT_EQ(SoundObj::soundObjs().size(), 2u);

    SoundObj::setupWithVolume(0);
    EXPECT_FALSE(SoundObj::engineIsUp());
    EXPECT_TRUE(recorder.calls().empty());
    EXPECT_EQ(fall->handle(), 0u);

    SoundObj::setupWithVolume(50);
    EXPECT_TRUE(SoundObj::engineIsUp());
    EXPECT_DOUBLE_EQ(SoundObj::masterVolumeScale(), 0.5);
    EXPECT_EQ(recorder.contextAttributes(), (std::vector<ALCint>{ALC_FREQUENCY, 44100}));
    EXPECT_FLOAT_EQ(recorder.listenerPosition(2), 1.0f);
    ASSERT_NE(fall->handle(), 0u);
    ASSERT_NE(hum->handle(), 0u);
    EXPECT_FLOAT_EQ(recorder.source(fall->handle()).gain, 0.2f);
    EXPECT_FLOAT_EQ(recorder.source(hum->handle()).gain, 0.5f);
    EXPECT_EQ(AudioSession::shared().category(), kAudioSessionCategory_AmbientSound);
    EXPECT_TRUE(AudioSession::shared().isActive());

    // Zero while up only silences; objects made now load at once.
    SoundObj::setupWithVolume(0);
    EXPECT_TRUE(SoundObj::engineIsUp());
    EXPECT_FLOAT_EQ(recorder.source(fall->handle()).gain, 0.0f);
    auto go = SoundObj::newEffectWithResourceName("go", "wav");
    EXPECT_NE(go->handle(), 0u);
}

TEST_F(SoundObjects, ALoopPlaysOnceHoweverOftenStartedAndAgainAfterAStop) {
    SoundObj::setupWithVolume(100);
    auto hum = SoundObj::newLoopingEffectWithResourceName("hum", "wav");
    const std::string queued = "alSourceQueueBuffers(" + std::to_string(hum->handle());
    std::shared_ptr<JTAppBase::ShellSound> asGameSees = hum;
    asGameSees->start();
    hum->start();
    EXPECT_EQ(count(queued), 1);
    EXPECT_TRUE(hum->playingLoop());
    hum->stop();
    EXPECT_FALSE(hum->playingLoop());
    hum->start();
    EXPECT_EQ(count(queued), 2);

    // A one-shot restarts on every start.
    auto fall = SoundObj::newEffectWithResourceName("fall2", "wav");
    fall->start();
    fall->start();
    EXPECT_EQ(count("alSourcePlay(" + std::to_string(fall->handle()) + ")"), 2);
    EXPECT_FALSE(fall->playingLoop());
}

TEST_F(SoundObjects, ALoopStartedBeforeTheEngineStartsWhenItLoads) {
    auto hum = SoundObj::newLoopingEffectWithResourceName("hum", "wav");
    auto fall = SoundObj::newEffectWithResourceName("fall2", "wav");
    hum->start();
    fall->start();  // a one-shot asked for too early is simply missed
    EXPECT_TRUE(hum->playingLoop());
    EXPECT_TRUE(recorder.calls().empty());

    SoundObj::setupWithVolume(20);
    ASSERT_NE(hum->handle(), 0u);
    EXPECT_TRUE(hum->playingLoop());
    EXPECT_TRUE(recorder.waitForCall("alSourcePlay(" + std::to_string(hum->handle()) + ")"));
    EXPECT_EQ(count("alSourcePlay(" + std::to_string(fall->handle()) + ")"), 0);
}

TEST_F(SoundObjects, MusicStopsOtherMusicAndHonoursTheMusicSetting) {
    auto tune = SoundObj::newMusicWithResourceName("tune", "caf");
    auto other = SoundObj::newMusicWithResourceName("other", "caf");
    auto hum = SoundObj::newLoopingEffectWithResourceName("hum", "wav");
    EXPECT_EQ(tune->handle(), 0u);

    // Asked for before the engine is up: it begins when the engine comes up.
    tune->start();
    EXPECT_TRUE(tune->playingLoop());
    EXPECT_EQ(SoundSystem::shared().music(), nullptr);
    SoundObj::setupWithVolume(50);
    EXPECT_EQ(AudioSession::shared().category(), kAudioSessionCategory_SoloAmbientSound);
    ASSERT_NE(SoundSystem::shared().music(), nullptr);
    ASSERT_NE(SoundSystem::shared().music()->Queue(), nullptr);
    EXPECT_TRUE(SoundSystem::shared().music()->Queue()->isRunning());
    EXPECT_FLOAT_EQ(SoundSystem::shared().music()->Volume(), 0.5f);

    hum->start();
    other->start();
    EXPECT_FALSE(tune->playingLoop());
    EXPECT_TRUE(other->playingLoop());
    EXPECT_TRUE(hum->playingLoop());  // starting music leaves loops alone

    SoundObj::stopLoopingEffects(true, false);
    EXPECT_FALSE(hum->playingLoop());
    EXPECT_TRUE(other->playingLoop());
    SoundObj::stopLoopingEffects(true, true);
    EXPECT_FALSE(other->playingLoop());
    EXPECT_EQ(SoundSystem::shared().music(), nullptr);  // unloaded with its queue

    SoundObj::setMusicIsEnabled(false);
    EXPECT_EQ(AudioSession::shared().category(), kAudioSessionCategory_AmbientSound);
    tune->start();
    EXPECT_FALSE(tune->playingLoop());
    EXPECT_EQ(SoundSystem::shared().music(), nullptr);
}

// The owner of a sound (the app core) goes before the engine at exit: its effects must go with
// it, while the engine can still release them.
TEST_F(SoundObjects, ASoundLetGoWhileTheEngineIsUpUnloadsAtOnce) {
    SoundObj::setupWithVolume(100);
    auto fall = SoundObj::newEffectWithResourceName("fall2", "wav");
    auto go = SoundObj::newEffectWithResourceName("go", "wav");
    ASSERT_EQ(recorder.liveSources(), 2u);
    go.reset();
    EXPECT_EQ(recorder.liveSources(), 1u);
    EXPECT_EQ(SoundObj::soundObjs().size(), 1u);
    fall.reset();
    EXPECT_EQ(recorder.liveSources(), 0u);
    EXPECT_TRUE(SoundObj::soundObjs().empty());
    EXPECT_TRUE(SoundObj::engineIsUp());
}

TEST_F(SoundObjects, TeardownAndDisposeLeaveNothingBehind) {
    SoundObj::setupWithVolume(100);
    auto fall = SoundObj::newEffectWithResourceName("fall2", "wav");
    auto go = SoundObj::newEffectWithResourceName("go", "wav");
    auto missing = SoundObj::newEffectWithResourceName("bom1s", "wav");
    EXPECT_EQ(missing->resourcePath(), "");
    EXPECT_EQ(missing->handle(), 0u);  // failed to load: every later call does nothing
    missing->start();
    missing->setPitch(2);

    go->dispose();
    EXPECT_EQ(SoundObj::soundObjs().size(), 2u);
    EXPECT_EQ(go->handle(), 0u);
    EXPECT_EQ(recorder.liveSources(), 1u);

    SoundObj::teardown();
    EXPECT_FALSE(SoundObj::engineIsUp());
    EXPECT_TRUE(SoundObj::soundObjs().empty());
    EXPECT_EQ(recorder.liveSources(), 0u);
    EXPECT_FALSE(recorder.deviceOpen());
    recorder.clearCalls();
    fall->start();
    fall->setVolume(10);
    EXPECT_TRUE(recorder.calls().empty());
}

TEST(SoundObjVolume, EffectsPlayAtTheChosenVolume) {
    ASSERT_TRUE(kNullAudioOutput);
    CleanEngine clean;
    LoopbackDevices loopback;
    TempDir dir;
    SoundFileSpec spec;
    spec.sampleRate = 44100;
    std::string path = makeTone(dir, "bom1s.wav", 44100, spec, 441, 30000);

    // The app core's volume settings 1, 2 and 3.
    auto bump = SoundObj::create(SoundObj::kTypeEffect, path);
    std::vector<int> peaks;
    for (int volume : {100, 50, 20}) {
        SoundObj::setupWithVolume(volume);
        bump->start();
        loopback.device().render(2048);  // the new gain settles within the first block
        loopback.device().render(4096);
        peaks.push_back(loopback.device().lastPeak());
    }
    ASSERT_GT(peaks[0], 5000);
    EXPECT_NEAR(peaks[1] / double(peaks[0]), 0.5, 0.03);
    EXPECT_NEAR(peaks[2] / double(peaks[0]), 0.2, 0.03);
}

TEST_F(SoundObjects, WithoutAnOutputDeviceTheGameRunsSilently) {
    recorder.setNoDevice(true);
    auto fall = SoundObj::newEffectWithResourceName("fall2", "wav");
    auto hum = SoundObj::newLoopingEffectWithResourceName("hum", "wav");
    auto tune = SoundObj::newMusicWithResourceName("tune", "caf");
    SoundObj::setupWithVolume(100);
    EXPECT_TRUE(SoundObj::engineIsUp());
    EXPECT_EQ(fall->handle(), 0u);
    EXPECT_EQ(hum->handle(), 0u);
    fall->start();
    hum->start();
    tune->start();  // no context, so no queue: nothing plays and nothing breaks
    fall->setVolume(50);
    SoundObj::stopLoopingEffects(true, true);
    loop.advance(1);
    EXPECT_EQ(recorder.liveSources(), 0u);
    SoundObj::teardown();
    EXPECT_FALSE(SoundObj::engineIsUp());
}
