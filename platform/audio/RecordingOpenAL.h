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
    bool devicePaused() const;
    float listenerPosition(int axis) const;

    // OpenAL: each call records itself (RecordingOpenAL.cpp); the list is in OpenALCalls.h.
#define MOVU_RECORDING_AL_DECLARE(ret, name, params, args) ret name params override;
#define MOVU_RECORDING_AL_DECLARE_EXTENSION(type, ret, name, params, args) \
    MOVU_RECORDING_AL_DECLARE(ret, name, params, args)
    MOVU_OPENAL_CALLS(MOVU_RECORDING_AL_DECLARE)
    MOVU_OPENAL_EXTENSION_CALLS(MOVU_RECORDING_AL_DECLARE_EXTENSION)
#undef MOVU_RECORDING_AL_DECLARE_EXTENSION
#undef MOVU_RECORDING_AL_DECLARE

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
    bool devicePaused_ = false;
    std::vector<ALCint> attributes_;
    ALCcontext* current_ = nullptr;
    float listener_[3] = {0, 0, 0};
    int deviceToken_ = 0;
    int contextToken_ = 0;
};

}  // namespace platform::audio
