#pragma once

// The engine's two process-wide halves. Main thread only.

#include <memory>

class EffectManager;
class BackgroundTrackPlayer;

extern std::unique_ptr<EffectManager> gEffectManager;
extern std::unique_ptr<BackgroundTrackPlayer> gBackgroundTrackPlayer;

// Creates the music player when there is none.
void CreateMusicPlayer();
// The music player goes first: its queue plays through the effect manager's context.
void DestroySoundSystem();
