#include "sound/SoundEngineState.h"

#include "platform/audio/AudioLibraryExit.h"
#include "sound/BackgroundTrackPlayer.h"
#include "sound/EffectManager.h"
#include "sound/SoundEngine.h"

namespace sound {

std::unique_ptr<EffectManager> gEffectManager;
std::unique_ptr<BackgroundTrackPlayer> gBackgroundTrackPlayer;

namespace {

bool exited = false;

// A program that ends without tearing the engine down still has its sources, buffers, device
// and hand-over threads here when static destructors run, and by then the audio library may be
// half gone. The engine therefore goes down at exit ahead of the library, and stays down: a
// static destructor that touches a sound afterwards finds no engine instead of a new device.
void TeardownBeforeAudioLibraryExits() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    platform::audio::runBeforeAudioLibraryExit([] {
        DestroySoundSystem();
        exited = true;
    });
}

}  // namespace

int CreateEffectManager(float mixerOutputRate) {
    gEffectManager.reset();
    if (exited) return kSoundNoDevice;
    TeardownBeforeAudioLibraryExits();
    gEffectManager = std::make_unique<EffectManager>(mixerOutputRate);
    return gEffectManager->OpenDevice();
}

void CreateMusicPlayer() {
    if (exited) return;
    TeardownBeforeAudioLibraryExits();
    if (!gBackgroundTrackPlayer) gBackgroundTrackPlayer = std::make_unique<BackgroundTrackPlayer>();
}

void DestroySoundSystem() {
    gBackgroundTrackPlayer.reset();
    gEffectManager.reset();
}

}  // namespace sound
