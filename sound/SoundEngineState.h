#pragma once

// The engine's two halves, one pair per process because the audio device is: the effect
// manager (device, mixer, effects) and the music player that plays through its context.
// Main thread only.

#include <memory>

namespace platform {
class Timer;
}

namespace sound {

class EffectManager;
class BackgroundTrackPlayer;

class SoundSystem {
  public:
    static SoundSystem& shared() { return shared_; }
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;
    ~SoundSystem();

    EffectManager* effects() const { return effects_.get(); }
    BackgroundTrackPlayer* music() const { return music_.get(); }

    // Replaces the effect manager with a new one and opens its device; answers OpenDevice's
    // status, or kSoundNoDevice once the process is exiting.
    int createEffectManager(float mixerOutputRate);
    // Creates the music player when there is none (and the process is not exiting).
    void createMusicPlayer();
    void destroyMusicPlayer();
    // The music player goes first: its queue plays through the effect manager's context.
    void destroy();

    // Before anything starts to sound. An output device mixes silence many times a second for
    // as long as it runs, which on a still screen cost more than the screen: once a look finds
    // nothing sounding the device rests, and this wakes it (at once, before the sound starts).
    void wakeOutput();
    // The look, which the main loop makes every kRestLookSeconds while the device is awake.
    void restIfSilent();
    static constexpr double kRestLookSeconds = 2.0;

  private:
    constexpr SoundSystem() = default;
    void tearDownBeforeAudioLibraryExits();
    bool anythingSounding() const;

    // Constant-initialised, so a static constructor or destructor of any other file that
    // touches a sound finds it in place.
    static SoundSystem shared_;

    std::unique_ptr<EffectManager> effects_;
    std::unique_ptr<BackgroundTrackPlayer> music_;  // after effects_: destroyed first
    std::shared_ptr<platform::Timer> restLook_;
    bool teardownRegistered_ = false;
    bool exited_ = false;
};

// The same on the process's engine.
int CreateEffectManager(float mixerOutputRate);
void CreateMusicPlayer();
void DestroySoundSystem();

}  // namespace sound
