#pragma once

// One OpenAL output device with its context. The mixer rate is asked for with the context's
// frequency attribute (openal-soft has no separate mixer-rate call). In loopback mode, which
// tests switch on, "the default device" is an openal-soft loopback device that mixes only when
// render() is called, so playback advances exactly as far as a test says.

#include "platform/audio/OpenAL.h"

#include <memory>

namespace platform::audio {

class AudioDevice {
  public:
    // The default output device; nullptr when there is none (the reason is left in
    // alcGetError / alGetError for the caller to report).
    static std::unique_ptr<AudioDevice> openDefault();

    // Loopback mode for tests: devices opened from now on render on demand.
    static void setLoopbackMode(bool on);
    static bool loopbackMode();
    // The most recently opened loopback device that is still open, or nullptr.
    static AudioDevice* activeLoopback();

    ~AudioDevice();
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    // Creates the context; mixerRate 0 leaves the device's own rate. Answers the ALC error
    // (ALC_NO_ERROR on success).
    ALCenum createContext(int mixerRate);
    // Makes the context current; answers the ALC error.
    ALCenum makeCurrent();

    // The output rate the device mixes at (0 before a context exists).
    int frequency() const;
    bool isLoopback() const { return loopback_; }
    ALCdevice* device() const { return device_; }
    ALCcontext* context() const { return context_; }

    // Stops the mixer until resume(): a playing device mixes silence many times a second even
    // when no source plays. Loopback devices mix only on render() and are left as they are.
    void pause();
    void resume();
    bool paused() const { return paused_; }

    // Loopback only: mixes this many frames (stereo, 16 bit) and keeps the last block.
    void render(int frames);
    // Peak absolute sample value of the last render (0..32767).
    int lastPeak() const { return lastPeak_; }

  private:
    AudioDevice(ALCdevice* device, bool loopback);

    ALCdevice* device_ = nullptr;
    ALCcontext* context_ = nullptr;
    bool loopback_ = false;
    bool paused_ = false;
    int lastPeak_ = 0;
};

}  // namespace platform::audio
