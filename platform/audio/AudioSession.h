#pragma once

// The application's audio session. A desktop mixes every program's sound, so there is nothing to
// negotiate: the session only remembers what the program asked for, which is what callers (and
// tests) look at.
//
// The route: the desktop's mixer decides where sound goes and how loud, and tells us neither.
// While the program has an output device open, the route is one built-in speaker at full
// volume; with none open (no sound card, or before sound starts) it has no outputs. Tests set
// the outputs and the volume instead.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform::audio {

constexpr uint32_t kAudioSessionCategory_AmbientSound = 0x616D6269;      // 'ambi'
constexpr uint32_t kAudioSessionCategory_SoloAmbientSound = 0x736F6C6F;  // 'solo'
constexpr uint32_t kAudioSessionCategory_MediaPlayback = 0x6D656469;     // 'medi'

// Port types, as callers compare them.
inline constexpr const char* kAudioSessionPortBuiltInSpeaker = "Speaker";
inline constexpr const char* kAudioSessionPortHeadphones = "Headphones";

struct AudioSessionPortDescription {
    std::string portType;
    std::string portName;
    friend bool operator==(const AudioSessionPortDescription&,
                           const AudioSessionPortDescription&) = default;
};

class AudioSession {
  public:
    static AudioSession& shared();

    void initialize();
    bool isInitialized() const;
    void setCategory(uint32_t category);
    uint32_t category() const;
    void setActive(bool active);
    bool isActive() const;

    std::vector<AudioSessionPortDescription> currentRouteOutputs() const;
    // 0 (muted) .. 1.
    float outputVolume() const;

    // Kept by AudioDevice: output devices open now (loopback devices play to no one and do
    // not count).
    void outputDeviceOpened();
    void outputDeviceClosed();

    // Tests: while set, the route answers these.
    void setRouteForTesting(std::optional<std::vector<AudioSessionPortDescription>> outputs,
                            std::optional<float> volume);

    // Back to the state at program start (for tests). Devices still open stay counted.
    void reset();

  private:
    mutable std::mutex mutex_;
    bool initialized_ = false;
    uint32_t category_ = kAudioSessionCategory_SoloAmbientSound;
    bool active_ = false;
    int openOutputDevices_ = 0;
    std::optional<std::vector<AudioSessionPortDescription>> testOutputs_;
    std::optional<float> testVolume_;
};

}  // namespace platform::audio
