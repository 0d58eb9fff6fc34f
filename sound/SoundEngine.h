#pragma once

// The sound engine: effects on OpenAL (one-shot effects, and looping effects with an optional
// attack before the loop and decay after it) and a background music player that streams a
// playlist through an audio queue. C-style on purpose: every call answers a status, 0 on
// success, and never throws. Both halves are process-wide and live on the main thread; only the
// hand-over thread of a looping effect runs elsewhere, and it never outlives its effect.

#include <cstdint>

namespace sound {

using SoundStatus = int32_t;

// Statuses besides 0; any other value is the failing call's OpenAL error or audio-file /
// audio-queue status.
constexpr SoundStatus kSoundNoManager = 1;     // no effect manager / no music player
constexpr SoundStatus kSoundNoSuchEffect = 2;  // no effect with the given id
constexpr SoundStatus kSoundBadPath = 3;       // the path cannot name a file
constexpr SoundStatus kSoundBadFormat = 4;     // samples OpenAL cannot take
constexpr SoundStatus kSoundNoDevice = 5;      // no audio output device

SoundStatus SoundSystemInitialize(float mixerOutputRate);
SoundStatus SoundSystemTeardown();
SoundStatus ListenerSetPosition(float x, float y, float z);

SoundStatus BackgroundTrackLoad(const char* path, bool addToQueue, bool loadAtOnce);
SoundStatus BackgroundTrackUnload();
SoundStatus BackgroundTrackStart();
SoundStatus BackgroundTrackSetVolume(float volume);

SoundStatus EffectLoad(const char* path, uint32_t* effectId);
SoundStatus EffectLoadLooping(const char* loopPath, const char* attackPath, const char* decayPath,
                              uint32_t* effectId);
SoundStatus EffectUnload(uint32_t effectId);
SoundStatus EffectStart(uint32_t effectId);
SoundStatus EffectStop(uint32_t effectId, bool doDecay);
SoundStatus EffectSetPitch(uint32_t effectId, float pitch);
SoundStatus EffectSetLevel(uint32_t effectId, float level);
SoundStatus EffectSetPosition(uint32_t effectId, float x, float y, float z);

// Waits until the hand-over thread of the effect's current start has finished (or at once when
// there is none). Tools and tests use it after letting the attack play out.
SoundStatus EffectWaitForHandOver(uint32_t effectId);

}  // namespace sound
