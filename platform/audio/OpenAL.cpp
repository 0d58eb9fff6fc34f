#include "platform/audio/OpenAL.h"

#include "platform/audio/AudioLibraryExit.h"

#include <AL/alext.h>

#include <atomic>

namespace platform::audio {
namespace {

class RealOpenAL final : public OpenAL {
  public:
    ALCdevice* alcOpenDevice(const ALCchar* name) override {
        ALCdevice* device = ::alcOpenDevice(name);
        noteAudioLibraryStateBuilt(AudioLibraryState::Device);
        return device;
    }
    ALCboolean alcCloseDevice(ALCdevice* device) override { return ::alcCloseDevice(device); }
    ALCcontext* alcCreateContext(ALCdevice* device, const ALCint* attributes) override {
        ALCcontext* context = ::alcCreateContext(device, attributes);
        noteAudioLibraryStateBuilt(AudioLibraryState::Context);
        return context;
    }
    void alcDestroyContext(ALCcontext* context) override { ::alcDestroyContext(context); }
    ALCboolean alcMakeContextCurrent(ALCcontext* context) override {
        return ::alcMakeContextCurrent(context);
    }
    ALCcontext* alcGetCurrentContext() override { return ::alcGetCurrentContext(); }
    ALCenum alcGetError(ALCdevice* device) override { return ::alcGetError(device); }
    void alcGetIntegerv(ALCdevice* device, ALCenum param, ALCsizei size, ALCint* values) override {
        ::alcGetIntegerv(device, param, size, values);
    }

    // The loopback entry points are extension functions: look them up once.
    ALCdevice* alcLoopbackOpenDeviceSOFT(const ALCchar* name) override {
        static auto fn = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
            ::alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
        ALCdevice* device = fn ? fn(name) : nullptr;
        noteAudioLibraryStateBuilt(AudioLibraryState::Device);
        return device;
    }
    void alcRenderSamplesSOFT(ALCdevice* device, ALCvoid* buffer, ALCsizei samples) override {
        static auto fn = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
            ::alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
        if (fn) fn(device, buffer, samples);
    }

    ALenum alGetError() override { return ::alGetError(); }

    void alGenSources(ALsizei n, ALuint* sources) override { ::alGenSources(n, sources); }
    void alDeleteSources(ALsizei n, const ALuint* sources) override {
        ::alDeleteSources(n, sources);
    }
    void alSourcei(ALuint source, ALenum param, ALint value) override {
        ::alSourcei(source, param, value);
    }
    void alSourcef(ALuint source, ALenum param, ALfloat value) override {
        ::alSourcef(source, param, value);
    }
    void alSource3f(ALuint source, ALenum param, ALfloat x, ALfloat y, ALfloat z) override {
        ::alSource3f(source, param, x, y, z);
    }
    void alGetSourcei(ALuint source, ALenum param, ALint* value) override {
        ::alGetSourcei(source, param, value);
    }
    void alSourcePlay(ALuint source) override { ::alSourcePlay(source); }
    void alSourceStop(ALuint source) override { ::alSourceStop(source); }
    void alSourceQueueBuffers(ALuint source, ALsizei n, const ALuint* buffers) override {
        ::alSourceQueueBuffers(source, n, buffers);
    }
    void alSourceUnqueueBuffers(ALuint source, ALsizei n, ALuint* buffers) override {
        ::alSourceUnqueueBuffers(source, n, buffers);
    }

    void alGenBuffers(ALsizei n, ALuint* buffers) override { ::alGenBuffers(n, buffers); }
    void alDeleteBuffers(ALsizei n, const ALuint* buffers) override {
        ::alDeleteBuffers(n, buffers);
    }
    void alBufferData(ALuint buffer, ALenum format, const ALvoid* data, ALsizei size,
                      ALsizei frequency) override {
        ::alBufferData(buffer, format, data, size, frequency);
    }

    void alListener3f(ALenum param, ALfloat x, ALfloat y, ALfloat z) override {
        ::alListener3f(param, x, y, z);
    }
};

// Never destroyed: a stateless table that exit-time work and other threads may still call
// through while static destructors run.
RealOpenAL& realTable() {
    static RealOpenAL* table = new RealOpenAL;
    return *table;
}

std::atomic<OpenAL*> installed{nullptr};

}  // namespace

OpenAL& al() {
    OpenAL* table = installed.load(std::memory_order_acquire);
    return table ? *table : realTable();
}

void setOpenAL(OpenAL* table) {
    installed.store(table, std::memory_order_release);
}

ScopedOpenAL::ScopedOpenAL(OpenAL& table)
    : previous_(installed.exchange(&table, std::memory_order_acq_rel)) {}

ScopedOpenAL::~ScopedOpenAL() {
    installed.store(previous_, std::memory_order_release);
}

}  // namespace platform::audio
