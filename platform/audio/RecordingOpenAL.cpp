#include "platform/audio/RecordingOpenAL.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <sstream>

namespace platform::audio {
namespace {

std::string list(ALsizei n, const ALuint* names) {
    std::ostringstream out;
    out << '[';
    for (ALsizei i = 0; i < n; ++i) out << (i ? "," : "") << names[i];
    out << ']';
    return out.str();
}

bool validFormat(ALenum format) {
    return format == AL_FORMAT_MONO8 || format == AL_FORMAT_MONO16 || format == AL_FORMAT_STEREO8 ||
           format == AL_FORMAT_STEREO16;
}

}  // namespace

RecordingOpenAL::RecordingOpenAL() : ignored_{"alGetError", "alGetSourcei", "alcGetError"} {}

std::vector<std::string> RecordingOpenAL::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void RecordingOpenAL::clearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

bool RecordingOpenAL::waitForCall(const std::string& line, double timeoutSeconds) {
    std::unique_lock lock(mutex_);
    return callMade_.wait_for(lock, std::chrono::duration<double>(timeoutSeconds), [&] {
        return std::find(allCalls_.begin(), allCalls_.end(), line) != allCalls_.end();
    });
}

void RecordingOpenAL::setIgnored(std::vector<std::string> names) {
    std::lock_guard lock(mutex_);
    ignored_ = std::move(names);
}

void RecordingOpenAL::failNext(const std::string& call, int error) {
    std::lock_guard lock(mutex_);
    failures_[call] = error;
}

void RecordingOpenAL::setNoDevice(bool noDevice) {
    std::lock_guard lock(mutex_);
    noDevice_ = noDevice;
}

void RecordingOpenAL::finishBuffers(ALuint source, int n) {
    std::lock_guard lock(mutex_);
    auto it = sources_.find(source);
    if (it == sources_.end() || it->second.state != AL_PLAYING) return;
    Source& s = it->second;
    int size = static_cast<int>(s.queue.size());
    if (s.looping) return;  // a looping queue never counts as processed
    s.processed = std::min(size, s.processed + n);
    if (s.processed >= size) s.state = AL_STOPPED;
}

bool RecordingOpenAL::hasSource(ALuint source) const {
    std::lock_guard lock(mutex_);
    return sources_.count(source) != 0;
}

RecordingOpenAL::Source RecordingOpenAL::source(ALuint source) const {
    std::lock_guard lock(mutex_);
    auto it = sources_.find(source);
    return it == sources_.end() ? Source{} : it->second;
}

bool RecordingOpenAL::hasBuffer(ALuint buffer) const {
    std::lock_guard lock(mutex_);
    return buffers_.count(buffer) != 0;
}

RecordingOpenAL::Buffer RecordingOpenAL::buffer(ALuint buffer) const {
    std::lock_guard lock(mutex_);
    auto it = buffers_.find(buffer);
    return it == buffers_.end() ? Buffer{} : it->second;
}

size_t RecordingOpenAL::liveSources() const {
    std::lock_guard lock(mutex_);
    return sources_.size();
}

size_t RecordingOpenAL::liveBuffers() const {
    std::lock_guard lock(mutex_);
    return buffers_.size();
}

std::vector<ALCint> RecordingOpenAL::contextAttributes() const {
    std::lock_guard lock(mutex_);
    return attributes_;
}

ALCcontext* RecordingOpenAL::currentContext() const {
    std::lock_guard lock(mutex_);
    return current_;
}

bool RecordingOpenAL::deviceOpen() const {
    std::lock_guard lock(mutex_);
    return deviceOpen_;
}

bool RecordingOpenAL::devicePaused() const {
    std::lock_guard lock(mutex_);
    return devicePaused_;
}

float RecordingOpenAL::listenerPosition(int axis) const {
    std::lock_guard lock(mutex_);
    return listener_[axis];
}

void RecordingOpenAL::record(const std::string& line, const std::string& name) {
    allCalls_.push_back(line);
    callMade_.notify_all();
    if (std::find(ignored_.begin(), ignored_.end(), name) == ignored_.end()) calls_.push_back(line);
}

bool RecordingOpenAL::injected(const std::string& name, bool alc) {
    auto it = failures_.find(name);
    if (it == failures_.end()) return false;
    if (alc)
        alcError_ = it->second;
    else
        setError(it->second);
    failures_.erase(it);
    return true;
}

void RecordingOpenAL::setError(ALenum error) {
    // As in OpenAL, the first error sticks until it is read.
    if (alError_ == AL_NO_ERROR) alError_ = error;
}

int RecordingOpenAL::processedLocked(const Source& s) const {
    if (s.type != AL_STREAMING) return 0;
    if (s.state == AL_STOPPED) return static_cast<int>(s.queue.size());
    if (s.state == AL_PLAYING && !s.looping) return s.processed;
    return 0;
}

bool RecordingOpenAL::bufferInUse(ALuint buffer) const {
    for (const auto& [name, s] : sources_)
        if (std::find(s.queue.begin(), s.queue.end(), buffer) != s.queue.end()) return true;
    return false;
}

ALCdevice* RecordingOpenAL::alcOpenDevice(const ALCchar* name) {
    std::lock_guard lock(mutex_);
    record(std::string("alcOpenDevice(") + (name ? name : "default") + ")", "alcOpenDevice");
    if (noDevice_ || injected("alcOpenDevice", true)) return nullptr;
    deviceOpen_ = true;
    return reinterpret_cast<ALCdevice*>(&deviceToken_);
}

ALCboolean RecordingOpenAL::alcCloseDevice(ALCdevice* device) {
    std::lock_guard lock(mutex_);
    record("alcCloseDevice", "alcCloseDevice");
    if (device != reinterpret_cast<ALCdevice*>(&deviceToken_) || !deviceOpen_) {
        alcError_ = ALC_INVALID_DEVICE;
        return ALC_FALSE;
    }
    deviceOpen_ = false;
    return ALC_TRUE;
}

ALCcontext* RecordingOpenAL::alcCreateContext(ALCdevice* device, const ALCint* attributes) {
    std::lock_guard lock(mutex_);
    attributes_.clear();
    std::ostringstream line;
    line << "alcCreateContext(";
    for (const ALCint* a = attributes; a && *a; a += 2) {
        attributes_.push_back(a[0]);
        attributes_.push_back(a[1]);
        line << (a == attributes ? "" : ",") << a[0] << '=' << a[1];
    }
    line << ')';
    record(line.str(), "alcCreateContext");
    if (injected("alcCreateContext", true)) return nullptr;
    if (device != reinterpret_cast<ALCdevice*>(&deviceToken_)) {
        alcError_ = ALC_INVALID_DEVICE;
        return nullptr;
    }
    return reinterpret_cast<ALCcontext*>(&contextToken_);
}

void RecordingOpenAL::alcDestroyContext(ALCcontext* context) {
    std::lock_guard lock(mutex_);
    record("alcDestroyContext", "alcDestroyContext");
    if (context == current_) current_ = nullptr;
}

ALCboolean RecordingOpenAL::alcMakeContextCurrent(ALCcontext* context) {
    std::lock_guard lock(mutex_);
    record(context ? "alcMakeContextCurrent(context)" : "alcMakeContextCurrent(null)",
           "alcMakeContextCurrent");
    if (injected("alcMakeContextCurrent", true)) return ALC_FALSE;
    current_ = context;
    return ALC_TRUE;
}

ALCcontext* RecordingOpenAL::alcGetCurrentContext() {
    std::lock_guard lock(mutex_);
    return current_;
}

ALCenum RecordingOpenAL::alcGetError(ALCdevice*) {
    std::lock_guard lock(mutex_);
    record("alcGetError", "alcGetError");
    ALCenum error = alcError_;
    alcError_ = ALC_NO_ERROR;
    return error;
}

void RecordingOpenAL::alcGetIntegerv(ALCdevice*, ALCenum param, ALCsizei size, ALCint* values) {
    std::lock_guard lock(mutex_);
    if (size < 1 || !values) return;
    values[0] = 0;
    for (size_t i = 0; i + 1 < attributes_.size(); i += 2)
        if (attributes_[i] == param) values[0] = attributes_[i + 1];
}

ALCdevice* RecordingOpenAL::alcLoopbackOpenDeviceSOFT(const ALCchar*) {
    std::lock_guard lock(mutex_);
    record("alcLoopbackOpenDeviceSOFT", "alcLoopbackOpenDeviceSOFT");
    if (noDevice_) return nullptr;
    deviceOpen_ = true;
    return reinterpret_cast<ALCdevice*>(&deviceToken_);
}

void RecordingOpenAL::alcRenderSamplesSOFT(ALCdevice*, ALCvoid* buffer, ALCsizei samples) {
    std::lock_guard lock(mutex_);
    record("alcRenderSamplesSOFT(" + std::to_string(samples) + ")", "alcRenderSamplesSOFT");
    (void)buffer;
}

void RecordingOpenAL::alcDevicePauseSOFT(ALCdevice*) {
    std::lock_guard lock(mutex_);
    record("alcDevicePauseSOFT", "alcDevicePauseSOFT");
    devicePaused_ = true;
}

void RecordingOpenAL::alcDeviceResumeSOFT(ALCdevice*) {
    std::lock_guard lock(mutex_);
    record("alcDeviceResumeSOFT", "alcDeviceResumeSOFT");
    devicePaused_ = false;
}

ALenum RecordingOpenAL::alGetError() {
    std::lock_guard lock(mutex_);
    record("alGetError", "alGetError");
    ALenum error = alError_;
    alError_ = AL_NO_ERROR;
    return error;
}

void RecordingOpenAL::alGenSources(ALsizei n, ALuint* sources) {
    std::lock_guard lock(mutex_);
    record("alGenSources(" + std::to_string(n) + ")", "alGenSources");
    if (injected("alGenSources", false)) return;
    for (ALsizei i = 0; i < n; ++i) {
        sources[i] = nextName_++;
        sources_[sources[i]] = Source{};
    }
}

void RecordingOpenAL::alDeleteSources(ALsizei n, const ALuint* sources) {
    std::lock_guard lock(mutex_);
    record("alDeleteSources(" + list(n, sources) + ")", "alDeleteSources");
    for (ALsizei i = 0; i < n; ++i)
        if (!sources_.count(sources[i])) return setError(AL_INVALID_NAME);
    for (ALsizei i = 0; i < n; ++i) sources_.erase(sources[i]);
}

void RecordingOpenAL::alSourcei(ALuint source, ALenum param, ALint value) {
    std::lock_guard lock(mutex_);
    record("alSourcei(" + std::to_string(source) + "," + std::to_string(param) + "," +
               std::to_string(value) + ")",
           "alSourcei");
    if (injected("alSourcei", false)) return;
    auto it = sources_.find(source);
    if (it == sources_.end()) return setError(AL_INVALID_NAME);
    Source& s = it->second;
    if (param == AL_LOOPING) {
        s.looping = value != 0;
    } else if (param == AL_BUFFER) {
        if (s.state == AL_PLAYING) return setError(AL_INVALID_OPERATION);
        if (value && !buffers_.count(static_cast<ALuint>(value))) return setError(AL_INVALID_VALUE);
        s.queue.clear();
        s.processed = 0;
        if (value) s.queue.push_back(static_cast<ALuint>(value));
        s.type = value ? AL_STATIC : AL_UNDETERMINED;
    } else {
        setError(AL_INVALID_ENUM);
    }
}

void RecordingOpenAL::alSourcef(ALuint source, ALenum param, ALfloat value) {
    std::lock_guard lock(mutex_);
    std::ostringstream line;
    line << "alSourcef(" << source << ',' << param << ',' << value << ')';
    record(line.str(), "alSourcef");
    if (injected("alSourcef", false)) return;
    auto it = sources_.find(source);
    if (it == sources_.end()) return setError(AL_INVALID_NAME);
    if (param == AL_GAIN) {
        if (value < 0) return setError(AL_INVALID_VALUE);
        it->second.gain = value;
    } else if (param == AL_PITCH) {
        if (value < 0) return setError(AL_INVALID_VALUE);
        it->second.pitch = value;
    } else {
        setError(AL_INVALID_ENUM);
    }
}

void RecordingOpenAL::alSource3f(ALuint source, ALenum param, ALfloat x, ALfloat y, ALfloat z) {
    std::lock_guard lock(mutex_);
    std::ostringstream line;
    line << "alSource3f(" << source << ',' << param << ',' << x << ',' << y << ',' << z << ')';
    record(line.str(), "alSource3f");
    if (injected("alSource3f", false)) return;
    auto it = sources_.find(source);
    if (it == sources_.end()) return setError(AL_INVALID_NAME);
    if (param != AL_POSITION) return setError(AL_INVALID_ENUM);
    it->second.position[0] = x;
    it->second.position[1] = y;
    it->second.position[2] = z;
}

void RecordingOpenAL::alGetSourcei(ALuint source, ALenum param, ALint* value) {
    std::lock_guard lock(mutex_);
    record("alGetSourcei(" + std::to_string(source) + "," + std::to_string(param) + ")",
           "alGetSourcei");
    if (injected("alGetSourcei", false)) return;
    auto it = sources_.find(source);
    if (it == sources_.end()) return setError(AL_INVALID_NAME);
    const Source& s = it->second;
    switch (param) {
        case AL_BUFFERS_QUEUED:
            *value = static_cast<ALint>(s.queue.size());
            break;
        case AL_BUFFERS_PROCESSED:
            *value = processedLocked(s);
            break;
        case AL_SOURCE_STATE:
            *value = s.state;
            break;
        case AL_LOOPING:
            *value = s.looping;
            break;
        case AL_SOURCE_TYPE:
            *value = s.type;
            break;
        case AL_BUFFER:
            *value = s.queue.empty() ? 0 : static_cast<ALint>(s.queue.front());
            break;
        default:
            setError(AL_INVALID_ENUM);
    }
}

void RecordingOpenAL::alSourcePlay(ALuint source) {
    std::lock_guard lock(mutex_);
    record("alSourcePlay(" + std::to_string(source) + ")", "alSourcePlay");
    if (injected("alSourcePlay", false)) return;
    auto it = sources_.find(source);
    if (it == sources_.end()) return setError(AL_INVALID_NAME);
    Source& s = it->second;
    s.processed = 0;
    s.state = s.queue.empty() ? AL_STOPPED : AL_PLAYING;
}

void RecordingOpenAL::alSourceStop(ALuint source) {
    std::lock_guard lock(mutex_);
    record("alSourceStop(" + std::to_string(source) + ")", "alSourceStop");
    if (injected("alSourceStop", false)) return;
    auto it = sources_.find(source);
    if (it == sources_.end()) return setError(AL_INVALID_NAME);
    if (it->second.state != AL_INITIAL) it->second.state = AL_STOPPED;
}

void RecordingOpenAL::alSourceQueueBuffers(ALuint source, ALsizei n, const ALuint* buffers) {
    std::lock_guard lock(mutex_);
    record("alSourceQueueBuffers(" + std::to_string(source) + "," + list(n, buffers) + ")",
           "alSourceQueueBuffers");
    if (injected("alSourceQueueBuffers", false)) return;
    auto it = sources_.find(source);
    if (it == sources_.end()) return setError(AL_INVALID_NAME);
    Source& s = it->second;
    if (s.type == AL_STATIC) return setError(AL_INVALID_OPERATION);
    for (ALsizei i = 0; i < n; ++i)
        if (buffers[i] && !buffers_.count(buffers[i])) return setError(AL_INVALID_NAME);
    for (ALsizei i = 0; i < n; ++i) s.queue.push_back(buffers[i]);
    s.type = AL_STREAMING;
}

void RecordingOpenAL::alSourceUnqueueBuffers(ALuint source, ALsizei n, ALuint* buffers) {
    std::lock_guard lock(mutex_);
    if (injected("alSourceUnqueueBuffers", false)) {
        record("alSourceUnqueueBuffers(" + std::to_string(source) + "," + std::to_string(n) + ")",
               "alSourceUnqueueBuffers");
        return;
    }
    auto it = sources_.find(source);
    if (it == sources_.end()) return setError(AL_INVALID_NAME);
    Source& s = it->second;
    if (s.looping || s.type != AL_STREAMING || n > processedLocked(s)) {
        record("alSourceUnqueueBuffers(" + std::to_string(source) + "," + std::to_string(n) + ")",
               "alSourceUnqueueBuffers");
        return setError(AL_INVALID_VALUE);
    }
    for (ALsizei i = 0; i < n; ++i) {
        buffers[i] = s.queue.front();
        s.queue.pop_front();
    }
    if (s.state == AL_PLAYING) s.processed -= n;
    if (s.queue.empty()) s.type = AL_UNDETERMINED;
    record("alSourceUnqueueBuffers(" + std::to_string(source) + "," + list(n, buffers) + ")",
           "alSourceUnqueueBuffers");
}

void RecordingOpenAL::alGenBuffers(ALsizei n, ALuint* buffers) {
    std::lock_guard lock(mutex_);
    record("alGenBuffers(" + std::to_string(n) + ")", "alGenBuffers");
    if (injected("alGenBuffers", false)) return;
    for (ALsizei i = 0; i < n; ++i) {
        buffers[i] = nextName_++;
        buffers_[buffers[i]] = Buffer{};
    }
}

void RecordingOpenAL::alDeleteBuffers(ALsizei n, const ALuint* buffers) {
    std::lock_guard lock(mutex_);
    record("alDeleteBuffers(" + list(n, buffers) + ")", "alDeleteBuffers");
    for (ALsizei i = 0; i < n; ++i) {
        if (!buffers[i]) continue;
        if (!buffers_.count(buffers[i])) return setError(AL_INVALID_NAME);
        if (bufferInUse(buffers[i])) return setError(AL_INVALID_OPERATION);
    }
    for (ALsizei i = 0; i < n; ++i) buffers_.erase(buffers[i]);
}

void RecordingOpenAL::alBufferData(ALuint buffer, ALenum format, const ALvoid* data, ALsizei size,
                                   ALsizei frequency) {
    std::lock_guard lock(mutex_);
    record("alBufferData(" + std::to_string(buffer) + "," + std::to_string(format) + "," +
               std::to_string(size) + "," + std::to_string(frequency) + ")",
           "alBufferData");
    if (injected("alBufferData", false)) return;
    auto it = buffers_.find(buffer);
    if (it == buffers_.end()) return setError(AL_INVALID_NAME);
    if (!validFormat(format)) return setError(AL_INVALID_ENUM);
    if (size < 0 || frequency < 1) return setError(AL_INVALID_VALUE);
    if (bufferInUse(buffer)) return setError(AL_INVALID_OPERATION);
    it->second.format = format;
    it->second.size = size;
    it->second.frequency = frequency;
    const auto* bytes = static_cast<const unsigned char*>(data);
    it->second.data.assign(bytes, bytes + size);
}

void RecordingOpenAL::alListener3f(ALenum param, ALfloat x, ALfloat y, ALfloat z) {
    std::lock_guard lock(mutex_);
    std::ostringstream line;
    line << "alListener3f(" << param << ',' << x << ',' << y << ',' << z << ')';
    record(line.str(), "alListener3f");
    if (injected("alListener3f", false)) return;
    if (param != AL_POSITION) return setError(AL_INVALID_ENUM);
    listener_[0] = x;
    listener_[1] = y;
    listener_[2] = z;
}

}  // namespace platform::audio
