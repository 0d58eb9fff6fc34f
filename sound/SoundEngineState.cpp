#include "sound/SoundEngineState.h"

#include "platform/audio/AudioLibraryExit.h"
#include "sound/BackgroundTrackPlayer.h"
#include "sound/EffectManager.h"
#include "sound/SoundEngine.h"

namespace sound {

constinit SoundSystem SoundSystem::shared_;

SoundSystem::~SoundSystem() = default;

// A program that ends without tearing the engine down still has its sources, buffers, device
// and hand-over threads here when static destructors run, and by then the audio library may be
// half gone. The engine therefore goes down at exit ahead of the library, and stays down: a
// static destructor that touches a sound afterwards finds no engine instead of a new device.
void SoundSystem::tearDownBeforeAudioLibraryExits() {
    if (teardownRegistered_) return;
    teardownRegistered_ = true;
    platform::audio::runBeforeAudioLibraryExit([this] {
        destroy();
        exited_ = true;
    });
}

int SoundSystem::createEffectManager(float mixerOutputRate) {
    effects_.reset();
    if (exited_) return kSoundNoDevice;
    tearDownBeforeAudioLibraryExits();
    effects_ = std::make_unique<EffectManager>(mixerOutputRate);
    return effects_->OpenDevice();
}

void SoundSystem::createMusicPlayer() {
    if (exited_) return;
    tearDownBeforeAudioLibraryExits();
    if (!music_) music_ = std::make_unique<BackgroundTrackPlayer>();
}

void SoundSystem::destroyMusicPlayer() {
    music_.reset();
}

void SoundSystem::destroy() {
    music_.reset();
    effects_.reset();
}

int CreateEffectManager(float mixerOutputRate) {
    return SoundSystem::shared().createEffectManager(mixerOutputRate);
}

void CreateMusicPlayer() {
    SoundSystem::shared().createMusicPlayer();
}

void DestroySoundSystem() {
    SoundSystem::shared().destroy();
}

}  // namespace sound
