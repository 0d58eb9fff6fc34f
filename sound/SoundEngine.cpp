#include "sound/SoundEngine.h"

#include "platform/audio/OpenAL.h"
#include "sound/EffectManager.h"
#include "sound/OpenALBufferLoader.h"
#include "sound/SoundEngineLog.h"
#include "sound/SoundEngineState.h"

#include <chrono>
#include <thread>

using namespace platform::audio;

namespace sound {

namespace {

constexpr int kLoopingThreadPriority = 31;
// The hand-over thread checks the attack about once a millisecond: far below what an ear
// notices, and it leaves the core to the mixer instead of spinning.
constexpr auto kHandOverPoll = std::chrono::milliseconds(1);

SoundStatus EnsureEffectManager() {
    if (EffectManager* effects = SoundSystem::shared().effects())
        return effects->HasOutput() ? 0 : kSoundNoDevice;
    return CreateEffectManager(0.0f);
}

// The manager and the effect for an id, or the status that says which is missing.
SoundStatus FindEffect(uint32_t id, std::shared_ptr<EffectState>& effect) {
    EffectManager* effects = SoundSystem::shared().effects();
    if (!effects) return kSoundNoManager;
    effect = effects->Find(id);
    return effect ? 0 : kSoundNoSuchEffect;
}

ALenum CheckAL(const char* what) {
    ALenum error = al().alGetError();
    if (error) SoundEngineLogALError(what, error);
    return error;
}

SoundStatus LoadEffect(std::shared_ptr<EffectState> effect, uint32_t* effectId) {
    if (SoundStatus status = EnsureEffectManager()) return status;
    al().alGetError();
    al().alGenSources(1, &effect->source);
    if (ALenum error = CheckAL("Error generating source")) {
        effect->source = 0;
        return error;
    }
    // Whatever fails below, the effect's source, buffers and samples go with it.
    SoundStatus status = 0;
    if (effect->attackPath) {
        status = LoadFileIntoBuffer(effect->attackPath->c_str(), effect->attackBuffer,
                                    effect->attackData);
        if (status) SoundEngineLogStatus("Error loading attack file info", status);
    }
    if (!status) {
        status = LoadFileIntoBuffer(effect->loopPath.c_str(), effect->loopBuffer, effect->loopData);
        if (status) SoundEngineLogStatus("Error loading looping file info", status);
    }
    if (!status && !effect->isLooping) {
        al().alSourcei(effect->source, AL_BUFFER, static_cast<ALint>(effect->loopBuffer));
        status = CheckAL("Error attaching file data to effect");
    }
    if (!status && effect->decayPath) {
        status =
            LoadFileIntoBuffer(effect->decayPath->c_str(), effect->decayBuffer, effect->decayData);
        if (status) SoundEngineLogStatus("Error loading decay file info", status);
    }
    if (status) {
        EffectManager::Release(*effect);
        return status;
    }
    if (effectId) *effectId = effect->source;
    SoundSystem::shared().effects()->Insert(std::move(effect));
    return 0;
}

// The body of a looping effect's thread: start the source and, once the attack has played,
// drop it from the queue and let the loop repeat.
void HandOver(ALuint source, bool hasAttack, const std::atomic<bool>& cancelled) {
    if (cancelled) return;
    al().alSourcePlay(source);
    if (CheckAL("Error starting effect playback")) return;
    if (hasAttack) {
        for (;;) {
            if (cancelled) return;
            ALint processed = 0;
            al().alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
            if (CheckAL("Error getting processed buffer number")) return;
            if (processed > 0) break;
            std::this_thread::sleep_for(kHandOverPoll);
        }
        ALuint attack = 0;
        al().alSourceUnqueueBuffers(source, 1, &attack);
        if (CheckAL("Error unqueueing buffers from source")) return;
    }
    al().alSourcei(source, AL_LOOPING, AL_TRUE);
    CheckAL("Error turning on looping");
}

}  // namespace

SoundStatus ListenerSetPosition(float x, float y, float z) {
    EffectManager* effects = SoundSystem::shared().effects();
    if (!effects) return kSoundNoManager;
    if (!effects->HasOutput()) return kSoundNoDevice;
    al().alGetError();
    al().alListener3f(AL_POSITION, x, y, z);
    return CheckAL("Error setting listener position");
}

SoundStatus EffectLoad(const char* path, uint32_t* effectId) {
    if (!path || !*path) {
        if (SoundStatus status = EnsureEffectManager()) return status;
        return kSoundBadPath;
    }
    auto effect = std::make_shared<EffectState>();
    effect->loopPath = path;
    effect->isLooping = false;
    return LoadEffect(std::move(effect), effectId);
}

SoundStatus EffectLoadLooping(const char* loopPath, const char* attackPath, const char* decayPath,
                              uint32_t* effectId) {
    if (!loopPath || !*loopPath) {
        if (SoundStatus status = EnsureEffectManager()) return status;
        return kSoundBadPath;
    }
    auto effect = std::make_shared<EffectState>();
    effect->loopPath = loopPath;
    if (attackPath) effect->attackPath = attackPath;
    if (decayPath) effect->decayPath = decayPath;
    effect->isLooping = true;
    return LoadEffect(std::move(effect), effectId);
}

SoundStatus EffectUnload(uint32_t effectId) {
    EffectManager* effects = SoundSystem::shared().effects();
    if (!effects) return kSoundNoManager;
    effects->Remove(effectId);
    return 0;
}

SoundStatus EffectStart(uint32_t effectId) {
    std::shared_ptr<EffectState> effect;
    if (SoundStatus status = FindEffect(effectId, effect)) return status;
    effect->StopThread();
    SoundSystem::shared().wakeOutput();

    al().alGetError();
    al().alSourceStop(effect->source);
    if (ALenum error = CheckAL("Error stopping source")) return error;

    if (!effect->isLooping) {
        al().alSourcePlay(effect->source);
        return CheckAL("Error starting effect playback");
    }

    // OpenAL refuses to unqueue from a looping source, and a source that never got to play
    // holds its queue as pending: switching looping off and detaching every buffer clears the
    // queue in either case.
    al().alSourcei(effect->source, AL_LOOPING, AL_FALSE);
    al().alSourcei(effect->source, AL_BUFFER, 0);
    if (ALenum error = CheckAL("Error clearing buffers")) return error;

    if (effect->attackBuffer) {
        al().alSourceQueueBuffers(effect->source, 1, &effect->attackBuffer);
        if (ALenum error = CheckAL("Error queueing buffers for attack")) return error;
    }
    al().alSourceQueueBuffers(effect->source, 1, &effect->loopBuffer);
    if (ALenum error = CheckAL("Error queueing looping buffer")) return error;

    const ALuint source = effect->source;
    const bool hasAttack = effect->attackBuffer != 0;
    effect->thread = std::make_shared<OpenALThread>(
        [source, hasAttack](const std::atomic<bool>& cancelled) {
            HandOver(source, hasAttack, cancelled);
        },
        kLoopingThreadPriority, false);
    effect->thread->Start();
    return 0;
}

SoundStatus EffectStop(uint32_t effectId, bool doDecay) {
    std::shared_ptr<EffectState> effect;
    if (SoundStatus status = FindEffect(effectId, effect)) return status;
    effect->StopThread();
    al().alGetError();
    if (doDecay && effect->decayBuffer) {
        // The loop finishes its pass, the decay plays, and the source stops by itself.
        al().alSourcei(effect->source, AL_LOOPING, AL_FALSE);
        if (ALenum error = CheckAL("Error turning off looping")) return error;
        al().alSourceQueueBuffers(effect->source, 1, &effect->decayBuffer);
        return CheckAL("Error queueing decay file");
    }
    al().alSourceStop(effect->source);
    return CheckAL("Error stopping source");
}

SoundStatus EffectSetPitch(uint32_t effectId, float pitch) {
    std::shared_ptr<EffectState> effect;
    if (SoundStatus status = FindEffect(effectId, effect)) return status;
    al().alGetError();
    al().alSourcef(effect->source, AL_PITCH, pitch);
    return CheckAL("Error setting pitch");
}

SoundStatus EffectSetLevel(uint32_t effectId, float level) {
    std::shared_ptr<EffectState> effect;
    if (SoundStatus status = FindEffect(effectId, effect)) return status;
    al().alGetError();
    al().alSourcef(effect->source, AL_GAIN, level);
    return CheckAL("Error setting level");
}

SoundStatus EffectSetPosition(uint32_t effectId, float x, float y, float z) {
    std::shared_ptr<EffectState> effect;
    if (SoundStatus status = FindEffect(effectId, effect)) return status;
    al().alGetError();
    al().alSource3f(effect->source, AL_POSITION, x, y, z);
    return CheckAL("Error setting position");
}

SoundStatus EffectWaitForHandOver(uint32_t effectId) {
    std::shared_ptr<EffectState> effect;
    if (SoundStatus status = FindEffect(effectId, effect)) return status;
    if (effect->thread) effect->thread->Join();
    return 0;
}

SoundStatus SoundSystemInitialize(float mixerOutputRate) {
    DestroySoundSystem();
    SoundStatus status = CreateEffectManager(mixerOutputRate);
    CreateMusicPlayer();
    return status;
}

SoundStatus SoundSystemTeardown() {
    DestroySoundSystem();
    return 0;
}

}  // namespace sound
