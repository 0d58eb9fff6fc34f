#include "sound/SoundEngineState.h"

#include "sound/BackgroundTrackPlayer.h"
#include "sound/EffectManager.h"

std::unique_ptr<EffectManager> gEffectManager;
std::unique_ptr<BackgroundTrackPlayer> gBackgroundTrackPlayer;

void CreateMusicPlayer() {
    if (!gBackgroundTrackPlayer) gBackgroundTrackPlayer = std::make_unique<BackgroundTrackPlayer>();
}

void DestroySoundSystem() {
    gBackgroundTrackPlayer.reset();
    gEffectManager.reset();
}
