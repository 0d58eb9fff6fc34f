#pragma once

// The engine's two process-wide halves. Main thread only.

#include <memory>

namespace sound {

class EffectManager;
class BackgroundTrackPlayer;

extern std::unique_ptr<EffectManager> gEffectManager;
extern std::unique_ptr<BackgroundTrackPlayer> gBackgroundTrackPlayer;

// Replaces the effect manager with a new one and opens its device; answers OpenDevice's status,
// or kSoundNoDevice once the process is exiting.
int CreateEffectManager(float mixerOutputRate);
// Creates the music player when there is none (and the process is not exiting).
void CreateMusicPlayer();
// The music player goes first: its queue plays through the effect manager's context.
void DestroySoundSystem();

}  // namespace sound
