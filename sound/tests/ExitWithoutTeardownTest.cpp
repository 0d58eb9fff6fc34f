// A program that ends with sounds still loaded and never tears the engine down (an early return
// from main, std::exit on a fatal error path) must still end cleanly: the engine has to go
// before the audio library's own state does.

#include "platform/audio/AudioLibraryExit.h"
#include "sound/tests/SoundTestSupport.h"

#include <cstdlib>

using namespace sound;

namespace {

std::string bundledSound(const char* name) {
    return std::string(MOVU_SOURCE_DIR) + "/assets/" + name;
}

// Each case runs in a fresh process (the test binary started again for that case alone), so
// the audio library is first brought up there, as in the real program, and the process leaves
// through std::exit, so every exit handler and static destructor runs. A failed check inside
// ends it with its own code.
class ExitWithoutTeardown : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(kNullAudioOutput);
        GTEST_FLAG_SET(death_test_style, "threadsafe");
    }
};

}  // namespace

TEST_F(ExitWithoutTeardown, EngineWithLoadedAndPlayingSoundsGoesDownBeforeTheAudioLibrary) {
    // As the game leaves it: effects loaded, one playing, a loop's hand-over thread running and
    // music streaming through the audio queue.
    EXPECT_EXIT(
        {
            // Registered before the engine came up, so it runs after the engine's own exit
            // work: by then nothing of the engine may be left.
            platform::audio::runBeforeAudioLibraryExit([] {
                if (ListenerSetPosition(0, 0, 1) != kSoundNoManager) std::_Exit(3);
            });
            SoundObj::setupWithVolume(100);
            auto effect = SoundObj::create(SoundObj::kTypeEffect, bundledSound("go.wav"));
            auto loop = SoundObj::create(SoundObj::kTypeLoopingEffect, bundledSound("fall2.wav"));
            auto music = SoundObj::create(SoundObj::kTypeMusic, bundledSound("fly2_06_22k.wav"));
            effect->start();
            loop->start();
            music->start();
            if (!effect->handle() || !loop->handle() || !SoundObj::engineIsUp()) std::_Exit(2);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");

    // Only the engine's own calls, the first of them bringing the library up.
    EXPECT_EXIT(
        {
            uint32_t id = 0;
            if (EffectLoad(bundledSound("bom1s.wav").c_str(), &id) != 0) std::_Exit(2);
            EffectStart(id);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

namespace {

// A static destructor that plays or loads a sound after the engine went down at exit.
struct TouchesSoundsLate {
    std::shared_ptr<SoundObj> effect;
    ~TouchesSoundsLate() {
        effect->start();
        uint32_t id = 0;
        if (EffectLoad(bundledSound("go.wav").c_str(), &id) != kSoundNoDevice) std::_Exit(3);
        if (SoundSystemInitialize(SoundObj::kMixerOutputRate) != kSoundNoDevice) std::_Exit(4);
    }
};

}  // namespace

TEST_F(ExitWithoutTeardown, SoundsTouchedAfterTheExitTeardownFindNoEngine) {
    // It must neither crash nor bring up a new device that the library can no longer close.
    EXPECT_EXIT(
        {
            static TouchesSoundsLate late;
            late.effect = SoundObj::create(SoundObj::kTypeEffect, bundledSound("go.wav"));
            SoundObj::setupWithVolume(100);
            late.effect->start();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

namespace {

// A static destructor that asks for music after the engine went down at exit.
struct PlaysMusicLate {
    std::shared_ptr<SoundObj> music;
    ~PlaysMusicLate() {
        if (BackgroundTrackLoad(bundledSound("fly2_06_22k.wav").c_str(), false, false) !=
            kSoundNoManager)
            std::_Exit(3);
        if (BackgroundTrackStart() != kSoundNoManager) std::_Exit(4);
        if (BackgroundTrackSetVolume(0.5f) != kSoundNoManager) std::_Exit(5);
    }
};

}  // namespace

TEST_F(ExitWithoutTeardown, MusicAskedForAfterTheExitTeardownFindsNoPlayer) {
    EXPECT_EXIT(
        {
            static PlaysMusicLate late;
            SoundObj::setupWithVolume(100);
            late.music = SoundObj::create(SoundObj::kTypeMusic, bundledSound("go.wav"));
            late.music->start();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
