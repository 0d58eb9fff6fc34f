#pragma once

// Helpers shared by the sound tests: sound files made on the spot, a clean engine per test, and
// waiting for the looping-effect thread without sleeping.

#include "platform/audio/AudioDevice.h"
#include "platform/audio/OpenAL.h"
#include "platform/audio/SoundFileWriter.h"
#include "platform/testing/TempDir.h"
#include "sound/SoundEngine.h"
#include "sound/SoundObj.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

// CTest runs every case with the null output; a test binary started by hand gets it too,
// before openal-soft reads its configuration on the first device opened.
using platform::testing::TempDir;

inline const bool kNullAudioOutput = [] { return ::setenv("ALSOFT_DRIVERS", "null", 0) == 0; }();

// Every test starts and ends with the engine and the sound objects down.
class CleanEngine {
  public:
    CleanEngine() { reset(); }
    ~CleanEngine() { reset(); }

  private:
    static void reset() {
        sound::SoundObj::resetClassState();
        sound::BackgroundTrackUnload();
        sound::SoundSystemTeardown();
    }
};

// Devices opened while it lives are loopback devices that mix only when told to.
class LoopbackDevices {
  public:
    LoopbackDevices() { platform::audio::AudioDevice::setLoopbackMode(true); }
    ~LoopbackDevices() { platform::audio::AudioDevice::setLoopbackMode(false); }
    platform::audio::AudioDevice& device() const {
        return *platform::audio::AudioDevice::activeLoopback();
    }
};

inline std::string makeTone(const TempDir& dir, const std::string& name, int frames,
                            platform::audio::SoundFileSpec spec = {}, double hz = 440,
                            int amplitude = 16000) {
    std::string path = (dir / name).string();
    auto samples = platform::audio::sineTone(frames, spec.channels, spec.sampleRate, hz, amplitude);
    EXPECT_TRUE(platform::audio::writeSoundFile(path, spec, samples)) << path;
    return path;
}

inline ALint sourceInt(ALuint source, ALenum param) {
    ALint value = 0;
    platform::audio::al().alGetSourcei(source, param, &value);
    return value;
}

// The hand-over thread starts the source on its own; the mixer may only be driven once it has.
// Bounded so that a broken engine fails the test instead of hanging it.
inline bool waitUntilPlaying(ALuint source) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (sourceInt(source, AL_SOURCE_STATE) != AL_PLAYING) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}
