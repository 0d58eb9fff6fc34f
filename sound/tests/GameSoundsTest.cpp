// The four sounds the game ships load as effects and are heard, neither silent nor clipped.

#include "sound/tests/SoundTestSupport.h"

using namespace sound;

TEST(GameSounds, EveryBundledEffectLoadsAndPlays) {
    ASSERT_TRUE(kNullAudioOutput);
    CleanEngine clean;
    LoopbackDevices loopback;
    ASSERT_EQ(SoundSystemInitialize(SoundObj::kMixerOutputRate), 0);
    ASSERT_EQ(ListenerSetPosition(0, 0, 1), 0);
    for (const char* name : {"fall2", "go", "fly2_06_22k", "bom1s"}) {
        std::string path = std::string(MOVU_SOURCE_DIR) + "/assets/" + name + ".wav";
        uint32_t id = 0;
        ASSERT_EQ(EffectLoad(path.c_str(), &id), 0) << name;
        ASSERT_EQ(EffectStart(id), 0) << name;
        int peak = 0;
        for (int i = 0; i < 4; ++i) {
            loopback.device().render(1024);
            peak = std::max(peak, loopback.device().lastPeak());
        }
        EXPECT_GT(peak, 3000) << name;
        EXPECT_LT(peak, 32000) << name;
        ASSERT_EQ(EffectStop(id, false), 0);
        loopback.device().render(1024);
    }
}
