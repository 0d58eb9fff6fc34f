#pragma once

// The OpenAL call table. The sound engine and the audio queue call OpenAL through al() instead of
// the C functions, so tests can swap in a recorder and check the order of calls (teardown order,
// clean-up after a failed load) without a sound card.

#include <AL/al.h>
#include <AL/alc.h>

namespace platform::audio {

class OpenAL {
  public:
    virtual ~OpenAL() = default;

    // Devices and contexts
    virtual ALCdevice* alcOpenDevice(const ALCchar* name) = 0;
    virtual ALCboolean alcCloseDevice(ALCdevice* device) = 0;
    virtual ALCcontext* alcCreateContext(ALCdevice* device, const ALCint* attributes) = 0;
    virtual void alcDestroyContext(ALCcontext* context) = 0;
    virtual ALCboolean alcMakeContextCurrent(ALCcontext* context) = 0;
    virtual ALCcontext* alcGetCurrentContext() = 0;
    virtual ALCenum alcGetError(ALCdevice* device) = 0;
    virtual void alcGetIntegerv(ALCdevice* device, ALCenum param, ALCsizei size,
                                ALCint* values) = 0;

    // Loopback devices (ALC_SOFT_loopback): rendered on demand, used for deterministic tests.
    virtual ALCdevice* alcLoopbackOpenDeviceSOFT(const ALCchar* name) = 0;
    virtual void alcRenderSamplesSOFT(ALCdevice* device, ALCvoid* buffer, ALCsizei samples) = 0;

    // Errors
    virtual ALenum alGetError() = 0;

    // Sources
    virtual void alGenSources(ALsizei n, ALuint* sources) = 0;
    virtual void alDeleteSources(ALsizei n, const ALuint* sources) = 0;
    virtual void alSourcei(ALuint source, ALenum param, ALint value) = 0;
    virtual void alSourcef(ALuint source, ALenum param, ALfloat value) = 0;
    virtual void alSource3f(ALuint source, ALenum param, ALfloat x, ALfloat y, ALfloat z) = 0;
    virtual void alGetSourcei(ALuint source, ALenum param, ALint* value) = 0;
    virtual void alSourcePlay(ALuint source) = 0;
    virtual void alSourceStop(ALuint source) = 0;
    virtual void alSourceQueueBuffers(ALuint source, ALsizei n, const ALuint* buffers) = 0;
    virtual void alSourceUnqueueBuffers(ALuint source, ALsizei n, ALuint* buffers) = 0;

    // Buffers. alBufferData copies the samples: the caller may free them afterwards.
    virtual void alGenBuffers(ALsizei n, ALuint* buffers) = 0;
    virtual void alDeleteBuffers(ALsizei n, const ALuint* buffers) = 0;
    virtual void alBufferData(ALuint buffer, ALenum format, const ALvoid* data, ALsizei size,
                              ALsizei frequency) = 0;

    // Listener
    virtual void alListener3f(ALenum param, ALfloat x, ALfloat y, ALfloat z) = 0;
};

// The table in use: the real OpenAL unless a test installed another one. Safe to read from any
// thread (the looping-effect thread calls through it too).
OpenAL& al();

// Installs a table (nullptr restores the real one). Install before any sound is loaded.
void setOpenAL(OpenAL* table);

// Installs a table for the lifetime of the scope.
class ScopedOpenAL {
  public:
    explicit ScopedOpenAL(OpenAL& table);
    ~ScopedOpenAL();
    ScopedOpenAL(const ScopedOpenAL&) = delete;
    ScopedOpenAL& operator=(const ScopedOpenAL&) = delete;

  private:
    OpenAL* previous_;
};

}  // namespace platform::audio
