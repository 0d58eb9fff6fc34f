#pragma once

// An OpenAL table that keeps a log of every call and a small model of sources and buffers with
// the rules of openal-soft that our code depends on: buffers in use cannot be deleted or
// refilled, a looping or static source cannot be unqueued, a stopped source has processed all of
// its queue. Playback only moves when a test says so (finishBuffers), so every step is
// deterministic. Safe to call from several threads.

#include "platform/audio/OpenAL.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace platform::audio {

class RecordingOpenAL final : public OpenAL {
  public:
    struct Source {
        ALint state = AL_INITIAL;
        ALint type = AL_UNDETERMINED;
        bool looping = false;
        float gain = 1.0f;
        float pitch = 1.0f;
        float position[3] = {0, 0, 0};
        std::deque<ALuint> queue;
        int processed = 0;  // of the queue's front, while playing
    };
    struct Buffer {
        ALenum format = 0;
        ALsizei size = 0;
        ALsizei frequency = 0;
        std::vector<unsigned char> data;
    };

    RecordingOpenAL();

    // The calls made so far, one line each, such as "alSourcePlay(1)" or
    // "alSourceQueueBuffers(1,[2,3])". Calls named in the ignore list (default: alGetError,
    // alGetSourcei, alcGetError) are left out to keep the sequences readable.
    std::vector<std::string> calls() const;
    void clearCalls();
    // Blocks until a call with exactly this line has been made (counting earlier ones too);
    // answers false if none came within the time-out, which only a broken test hits.
    bool waitForCall(const std::string& line, double timeoutSeconds = 10);
    void setIgnored(std::vector<std::string> names);

    // The next call of this name does nothing and raises the error (AL or ALC).
    void failNext(const std::string& call, int error);
    // alcOpenDevice answers no device.
    void setNoDevice(bool noDevice);

    // Playback model: the source finishes n more of its queued buffers; a source that finishes
    // its whole queue without looping stops.
    void finishBuffers(ALuint source, int n);

    bool hasSource(ALuint source) const;
    Source source(ALuint source) const;
    bool hasBuffer(ALuint buffer) const;
    Buffer buffer(ALuint buffer) const;
    size_t liveSources() const;
    size_t liveBuffers() const;
    std::vector<ALCint> contextAttributes() const;
    ALCcontext* currentContext() const;
    bool deviceOpen() const;
    float listenerPosition(int axis) const;

    // OpenAL
    ALCdevice* alcOpenDevice(const ALCchar* name) override;
    ALCboolean alcCloseDevice(ALCdevice* device) override;
    ALCcontext* alcCreateContext(ALCdevice* device, const ALCint* attributes) override;
    void alcDestroyContext(ALCcontext* context) override;
    ALCboolean alcMakeContextCurrent(ALCcontext* context) override;
    ALCcontext* alcGetCurrentContext() override;
    ALCenum alcGetError(ALCdevice* device) override;
    void alcGetIntegerv(ALCdevice* device, ALCenum param, ALCsizei size, ALCint* values) override;
    ALCdevice* alcLoopbackOpenDeviceSOFT(const ALCchar* name) override;
    void alcRenderSamplesSOFT(ALCdevice* device, ALCvoid* buffer, ALCsizei samples) override;
    ALenum alGetError() override;
    void alGenSources(ALsizei n, ALuint* sources) override;
    void alDeleteSources(ALsizei n, const ALuint* sources) override;
    void alSourcei(ALuint source, ALenum param, ALint value) override;
    void alSourcef(ALuint source, ALenum param, ALfloat value) override;
    void alSource3f(ALuint source, ALenum param, ALfloat x, ALfloat y, ALfloat z) override;
    void alGetSourcei(ALuint source, ALenum param, ALint* value) override;
    void alSourcePlay(ALuint source) override;
    void alSourceStop(ALuint source) override;
    void alSourceQueueBuffers(ALuint source, ALsizei n, const ALuint* buffers) override;
    void alSourceUnqueueBuffers(ALuint source, ALsizei n, ALuint* buffers) override;
    void alGenBuffers(ALsizei n, ALuint* buffers) override;
    void alDeleteBuffers(ALsizei n, const ALuint* buffers) override;
    void alBufferData(ALuint buffer, ALenum format, const ALvoid* data, ALsizei size,
                      ALsizei frequency) override;
    void alListener3f(ALenum param, ALfloat x, ALfloat y, ALfloat z) override;

  private:
    void record(const std::string& line, const std::string& name);
    bool injected(const std::string& name, bool alc);
    void setError(ALenum error);
    int processedLocked(const Source& s) const;
    bool bufferInUse(ALuint buffer) const;

    mutable std::mutex mutex_;
    std::condition_variable callMade_;
    std::vector<std::string> allCalls_;
    std::vector<std::string> calls_;
    std::vector<std::string> ignored_;
    std::map<std::string, int> failures_;
    std::map<ALuint, Source> sources_;
    std::map<ALuint, Buffer> buffers_;
    ALuint nextName_ = 1;
    ALenum alError_ = AL_NO_ERROR;
    ALCenum alcError_ = ALC_NO_ERROR;
    bool noDevice_ = false;
    bool deviceOpen_ = false;
    std::vector<ALCint> attributes_;
    ALCcontext* current_ = nullptr;
    float listener_[3] = {0, 0, 0};
    int deviceToken_ = 0;
    int contextToken_ = 0;
};

}  // namespace platform::audio
