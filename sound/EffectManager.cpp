#include "sound/EffectManager.h"

#include "platform/audio/OpenAL.h"
#include "sound/OpenALThread.h"
#include "sound/SoundEngine.h"
#include "sound/SoundEngineLog.h"

#include <cmath>

using namespace platform::audio;

namespace sound {

EffectManager::EffectManager(float mixerOutputRate) : mixerOutputRate_(mixerOutputRate) {}

EffectManager::~EffectManager() {
    // Sources first (deleting a source frees its buffers for deletion), then buffers, then the
    // samples, and only then the context and the device.
    for (auto& [id, effect] : effects_) effect->StopThread();
    for (auto& [id, effect] : effects_) {
        if (effect->source) al().alDeleteSources(1, &effect->source);
        effect->source = 0;
    }
    for (auto& [id, effect] : effects_) {
        ALuint buffers[] = {effect->attackBuffer, effect->loopBuffer, effect->decayBuffer};
        for (ALuint b : buffers)
            if (b) al().alDeleteBuffers(1, &b);
        effect->attackBuffer = effect->loopBuffer = effect->decayBuffer = 0;
    }
    for (auto& [id, effect] : effects_) {
        effect->attackData = {};
        effect->loopData = {};
        effect->decayData = {};
    }
    effects_.clear();
    if (device_ && device_->context()) al().alGetError();
    device_.reset();
}

int32_t EffectManager::OpenDevice() {
    device_.reset();
    auto device = AudioDevice::openDefault();
    if (!device) {
        // No output at all is not an error of ours: the game runs silently, and says so once.
        al().alcGetError(nullptr);
        SoundEngineLogLine("no audio device; playing without sound");
        return kSoundNoDevice;
    }
    int rate = mixerOutputRate_ > 0 ? static_cast<int>(std::lround(mixerOutputRate_)) : 0;
    if (ALCenum error = device->createContext(rate)) {
        SoundEngineLogALError("Error creating OpenAL context", error);
        return error;
    }
    if (ALCenum error = device->makeCurrent()) {
        SoundEngineLogALError("Error setting current OpenAL context", error);
        return error;
    }
    device_ = std::move(device);
    return 0;
}

std::shared_ptr<EffectState> EffectManager::Find(uint32_t id) const {
    auto it = effects_.find(id);
    return it == effects_.end() ? nullptr : it->second;
}

bool EffectManager::AnySounding() const {
    for (const auto& [id, effect] : effects_) {
        if (effect->thread && effect->thread->IsRunning()) return true;
        ALint state = AL_STOPPED;
        al().alGetSourcei(effect->source, AL_SOURCE_STATE, &state);
        al().alGetError();
        if (state == AL_PLAYING) return true;
    }
    return false;
}

void EffectManager::Insert(std::shared_ptr<EffectState> effect) {
    uint32_t id = effect->source;
    effects_[id] = std::move(effect);
}

bool EffectManager::Remove(uint32_t id) {
    auto it = effects_.find(id);
    if (it == effects_.end()) return false;
    std::shared_ptr<EffectState> effect = it->second;
    effects_.erase(it);
    Release(*effect);
    return true;
}

void EffectManager::Release(EffectState& effect) {
    effect.StopThread();
    if (effect.source) al().alDeleteSources(1, &effect.source);
    effect.source = 0;
    ALuint buffers[] = {effect.attackBuffer, effect.loopBuffer, effect.decayBuffer};
    for (ALuint b : buffers)
        if (b) al().alDeleteBuffers(1, &b);
    effect.attackBuffer = effect.loopBuffer = effect.decayBuffer = 0;
    effect.attackData = {};
    effect.loopData = {};
    effect.decayData = {};
    al().alGetError();
}

}  // namespace sound
