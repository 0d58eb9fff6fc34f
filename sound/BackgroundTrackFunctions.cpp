#include "sound/BackgroundTrackPlayer.h"
#include "sound/SoundEngine.h"
#include "sound/SoundEngineState.h"

namespace sound {

SoundStatus BackgroundTrackLoad(const char* path, bool addToQueue, bool loadAtOnce) {
    CreateMusicPlayer();
    // None is made once the engine has gone down at exit.
    if (!gBackgroundTrackPlayer) return kSoundNoManager;
    return gBackgroundTrackPlayer->Load(path, addToQueue, loadAtOnce);
}

SoundStatus BackgroundTrackUnload() {
    gBackgroundTrackPlayer.reset();
    return 0;
}

SoundStatus BackgroundTrackStart() {
    if (!gBackgroundTrackPlayer) return kSoundNoManager;
    return gBackgroundTrackPlayer->Start();
}

SoundStatus BackgroundTrackSetVolume(float volume) {
    if (!gBackgroundTrackPlayer) return kSoundNoManager;
    return gBackgroundTrackPlayer->SetVolume(volume);
}

}  // namespace sound
