#include "sound/SoundEngineState.h"

#include "platform/audio/AudioLibraryExit.h"
#include "platform/runtime/Timer.h"
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
    const int status = effects_->OpenDevice();
    // A device opened and never played rests too.
    if (status == 0) wakeOutput();
    return status;
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
    if (restLook_) restLook_->invalidate();
    restLook_.reset();
    music_.reset();
    effects_.reset();
}

void SoundSystem::wakeOutput() {
    if (!effects_ || !effects_->HasOutput()) return;
    effects_->Device()->resume();
    if (restLook_ && restLook_->isValid()) return;
    // Late by up to a second is fine: the look only decides when the mixer stops.
    restLook_ = platform::Timer::schedule(kRestLookSeconds, true, 1.0, [this] { restIfSilent(); });
}

void SoundSystem::restIfSilent() {
    if (!effects_ || !effects_->HasOutput() || anythingSounding()) return;
    effects_->Device()->pause();
    if (restLook_) restLook_->invalidate();
    restLook_.reset();
}

bool SoundSystem::anythingSounding() const {
    if (effects_->AnySounding()) return true;
    const auto* queue = music_ ? music_->Queue().get() : nullptr;
    // A queue being rebuilt for the next track's format is about to start again.
    return queue && (queue->isRunning() || music_->IsRebuilding());
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
