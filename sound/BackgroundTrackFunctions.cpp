#include "sound/BackgroundTrackPlayer.h"
#include "sound/SoundEngine.h"
#include "sound/SoundEngineState.h"

namespace sound {

SoundStatus BackgroundTrackLoad(const char* path, bool addToQueue, bool loadAtOnce) {
    CreateMusicPlayer();
    // None is made once the engine has gone down at exit.
    BackgroundTrackPlayer* music = SoundSystem::shared().music();
    if (!music) return kSoundNoManager;
    return music->Load(path, addToQueue, loadAtOnce);
}

SoundStatus BackgroundTrackUnload() {
    SoundSystem::shared().destroyMusicPlayer();
    return 0;
}

SoundStatus BackgroundTrackStart() {
    BackgroundTrackPlayer* music = SoundSystem::shared().music();
    if (!music) return kSoundNoManager;
    SoundSystem::shared().wakeOutput();
    return music->Start();
}

SoundStatus BackgroundTrackSetVolume(float volume) {
    BackgroundTrackPlayer* music = SoundSystem::shared().music();
    if (!music) return kSoundNoManager;
    return music->SetVolume(volume);
}

}  // namespace sound
