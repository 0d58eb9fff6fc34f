#pragma once

// The application's audio session. A desktop mixes every program's sound, so there is nothing to
// negotiate: the session only remembers what the program asked for, which is what callers (and
// tests) look at.

#include <cstdint>
#include <mutex>

namespace platform::audio {

constexpr uint32_t kAudioSessionCategory_AmbientSound = 0x616D6269;      // 'ambi'
constexpr uint32_t kAudioSessionCategory_SoloAmbientSound = 0x736F6C6F;  // 'solo'
constexpr uint32_t kAudioSessionCategory_MediaPlayback = 0x6D656469;     // 'medi'

class AudioSession {
  public:
    static AudioSession& shared();

    void initialize();
    bool isInitialized() const;
    void setCategory(uint32_t category);
    uint32_t category() const;
    void setActive(bool active);
    bool isActive() const;

    // Back to the state at program start (for tests).
    void reset();

  private:
    mutable std::mutex mutex_;
    bool initialized_ = false;
    uint32_t category_ = kAudioSessionCategory_SoloAmbientSound;
    bool active_ = false;
};

}  // namespace platform::audio
