#include "platform/audio/AudioQueue.h"

#include "platform/audio/OpenAL.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/Timer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::audio {
namespace {

bool isDecodedPackets(const AudioStreamBasicDescription& f) {
    return f.mFormatID != kAudioFormatLinearPCM;
}

// One sample of a linear PCM stream as a 16-bit value.
int16_t sampleAt(const uint8_t* p, uint32_t bytes, bool bigEndian, bool isFloat) {
    if (isFloat) {
        double v;
        if (bytes == 4) {
            uint32_t u = 0;
            for (uint32_t i = 0; i < 4; ++i)
                u |= uint32_t(p[bigEndian ? i : 3 - i]) << (24 - 8 * i);
            float f;
            std::memcpy(&f, &u, 4);
            v = f;
        } else {
            uint64_t u = 0;
            for (uint32_t i = 0; i < 8; ++i)
                u |= uint64_t(p[bigEndian ? i : 7 - i]) << (56 - 8 * i);
            std::memcpy(&v, &u, 8);
        }
        if (std::isnan(v)) return 0;
        return static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767));
    }
    // The two most significant bytes carry the 16 bits we keep.
    uint8_t hi = bigEndian ? p[0] : p[bytes - 1];
    uint8_t lo = bigEndian ? p[1] : p[bytes - 2];
    return static_cast<int16_t>((uint16_t(hi) << 8) | lo);
}

}  // namespace

ALenum convertForOpenAL(const AudioStreamBasicDescription& f, const uint8_t* bytes, size_t size,
                        std::vector<uint8_t>& out) {
    out.clear();
    const uint32_t channels = f.mChannelsPerFrame;
    if (channels < 1 || channels > 2) return 0;
    const ALenum format16 = channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    if (isDecodedPackets(f)) {
        out.assign(bytes, bytes + size - size % 2);
        return format16;
    }
    const AudioFormatFlags flags = f.mFormatFlags;
    if ((flags & kAudioFormatFlagIsNonInterleaved) && channels == 2) return 0;
    const uint32_t bits = f.mBitsPerChannel;
    if (bits == 8) {
        out.assign(bytes, bytes + size);
        // OpenAL's 8-bit samples are unsigned.
        if (flags & kAudioFormatFlagIsSignedInteger)
            for (uint8_t& b : out) b ^= 0x80;
        return channels == 1 ? AL_FORMAT_MONO8 : AL_FORMAT_STEREO8;
    }
    const bool isFloat = flags & kAudioFormatFlagIsFloat;
    if (isFloat ? (bits != 32 && bits != 64) : (bits != 16 && bits != 24 && bits != 32)) return 0;
    const bool bigEndian = flags & kAudioFormatFlagIsBigEndian;
    const uint32_t sampleBytes = bits / 8;
    const size_t samples = size / sampleBytes;
    out.resize(samples * 2);
    for (size_t i = 0; i < samples; ++i) {
        int16_t v = sampleAt(bytes + i * sampleBytes, sampleBytes, bigEndian, isFloat);
        out[2 * i] = static_cast<uint8_t>(v & 0xff);
        out[2 * i + 1] = static_cast<uint8_t>((static_cast<uint16_t>(v) >> 8) & 0xff);
    }
    return format16;
}

OSStatus AudioQueue::newOutput(const AudioStreamBasicDescription& format, OutputCallback callback,
                               std::shared_ptr<AudioQueue>& out) {
    out.reset();
    std::vector<uint8_t> probe;
    uint8_t silence[16] = {};
    if (format.mSampleRate < 1 || !callback ||
        convertForOpenAL(format, silence, sizeof silence, probe) == 0)
        return kAudioFormatUnsupportedDataFormatError;
    if (!al().alcGetCurrentContext()) return kAudioQueueErr_InvalidDevice;
    std::shared_ptr<AudioQueue> queue(new AudioQueue(format, std::move(callback)));
    al().alGetError();
    al().alGenSources(1, &queue->source_);
    if (al().alGetError() != AL_NO_ERROR) {
        queue->source_ = 0;
        return kAudioQueueErr_InvalidDevice;
    }
    out = std::move(queue);
    return noErr;
}

AudioQueue::AudioQueue(const AudioStreamBasicDescription& format, OutputCallback callback)
    : format_(format), callback_(std::move(callback)) {}

AudioQueue::~AudioQueue() {
    dispose(true);
}

AudioQueue::Slot* AudioQueue::find(AudioQueueBufferRef buffer) {
    for (auto& slot : buffers_)
        if (slot->buffer.get() == buffer) return slot.get();
    return nullptr;
}

size_t AudioQueue::enqueuedCount() const {
    return static_cast<size_t>(
        std::count_if(buffers_.begin(), buffers_.end(), [](const auto& s) { return s->enqueued; }));
}

OSStatus AudioQueue::allocateBuffer(uint32_t capacity, AudioQueueBufferRef& out) {
    out = nullptr;
    if (disposed_) return kAudioQueueErr_DisposalPending;
    if (capacity == 0) return kAudioQueueErr_InvalidParameter;
    auto slot = std::make_unique<Slot>();
    al().alGetError();
    al().alGenBuffers(1, &slot->alBuffer);
    if (al().alGetError() != AL_NO_ERROR) return kAudioQueueErr_InvalidDevice;
    slot->storage.resize(capacity);
    slot->buffer = std::make_unique<AudioQueueBuffer>();
    slot->buffer->mAudioDataBytesCapacity = capacity;
    slot->buffer->mAudioData = slot->storage.data();
    out = slot->buffer.get();
    buffers_.push_back(std::move(slot));
    return noErr;
}

OSStatus AudioQueue::freeBuffer(AudioQueueBufferRef buffer) {
    Slot* slot = find(buffer);
    if (!slot) return kAudioQueueErr_InvalidBuffer;
    if (slot->enqueued) return kAudioQueueErr_BufferInQueue;
    al().alDeleteBuffers(1, &slot->alBuffer);
    al().alGetError();
    std::erase_if(buffers_, [slot](const auto& s) { return s.get() == slot; });
    return noErr;
}

OSStatus AudioQueue::enqueueBuffer(AudioQueueBufferRef buffer, uint32_t numPacketDescriptions,
                                   const AudioStreamPacketDescription* descriptions) {
    if (disposed_) return kAudioQueueErr_DisposalPending;
    Slot* slot = find(buffer);
    if (!slot) return kAudioQueueErr_InvalidBuffer;
    if (slot->enqueued) return kAudioQueueErr_BufferInQueue;
    if (buffer->mAudioDataByteSize == 0) return kAudioQueueErr_BufferEmpty;
    if (buffer->mAudioDataByteSize > buffer->mAudioDataBytesCapacity)
        return kAudioQueueErr_InvalidParameter;
    const uint8_t* bytes = slot->storage.data();
    size_t size = buffer->mAudioDataByteSize;
    // Decoded packets are contiguous; the descriptions only bound how much of the buffer the
    // packets cover.
    if (descriptions && numPacketDescriptions && isDecodedPackets(format_)) {
        const auto& last = descriptions[numPacketDescriptions - 1];
        uint64_t end = static_cast<uint64_t>(last.mStartOffset) + last.mDataByteSize;
        if (last.mStartOffset < 0 || end > size) return kAudioQueueErr_InvalidParameter;
        size = static_cast<size_t>(end);
    }
    std::vector<uint8_t> samples;
    ALenum alFormat = convertForOpenAL(format_, bytes, size, samples);
    if (!alFormat || samples.empty()) return kAudioQueueErr_InvalidParameter;

    al().alGetError();
    al().alBufferData(slot->alBuffer, alFormat, samples.data(),
                      static_cast<ALsizei>(samples.size()),
                      static_cast<ALsizei>(std::lround(format_.mSampleRate)));
    al().alSourceQueueBuffers(source_, 1, &slot->alBuffer);
    if (al().alGetError() != AL_NO_ERROR) return kAudioQueueErr_InvalidDevice;
    slot->enqueued = true;
    playing_.push_back(slot->alBuffer);
    // A running queue whose source ran dry picks up again with the new buffer.
    if (running_ && !draining_) {
        ALint state = 0;
        al().alGetSourcei(source_, AL_SOURCE_STATE, &state);
        if (state != AL_PLAYING) al().alSourcePlay(source_);
        al().alGetError();
    }
    return noErr;
}

OSStatus AudioQueue::prime() {
    return disposed_ ? kAudioQueueErr_DisposalPending : noErr;
}

OSStatus AudioQueue::start() {
    if (disposed_) return kAudioQueueErr_DisposalPending;
    draining_ = false;
    al().alGetError();
    if (!playing_.empty()) al().alSourcePlay(source_);
    if (al().alGetError() != AL_NO_ERROR) return kAudioQueueErr_InvalidDevice;
    setRunning(true);
    startTimer();
    return noErr;
}

OSStatus AudioQueue::stop(bool immediate) {
    if (disposed_) return kAudioQueueErr_DisposalPending;
    if (!running_) {
        if (immediate) clearSource();
        return noErr;
    }
    if (!immediate) {
        draining_ = true;
        return noErr;  // the timer finishes the stop when the source has played out
    }
    clearSource();
    stopTimer();
    draining_ = false;
    setRunning(false);
    return noErr;
}

void AudioQueue::clearSource() {
    al().alSourceStop(source_);
    al().alSourcei(source_, AL_BUFFER, 0);
    al().alGetError();
    playing_.clear();
    for (auto& slot : buffers_) slot->enqueued = false;
}

OSStatus AudioQueue::dispose(bool) {
    if (disposed_) return noErr;
    disposed_ = true;
    stopTimer();
    if (source_) {
        clearSource();
        al().alDeleteSources(1, &source_);
        source_ = 0;
    }
    for (auto& slot : buffers_) al().alDeleteBuffers(1, &slot->alBuffer);
    al().alGetError();
    buffers_.clear();
    listeners_.clear();
    running_ = false;
    return noErr;
}

OSStatus AudioQueue::setVolume(float volume) {
    if (disposed_) return kAudioQueueErr_DisposalPending;
    if (std::isnan(volume)) return kAudioQueueErr_InvalidParameter;
    volume_ = std::clamp(volume, 0.0f, 1.0f);
    al().alSourcef(source_, AL_GAIN, volume_);
    al().alGetError();
    return noErr;
}

OSStatus AudioQueue::setMagicCookie(const std::vector<uint8_t>& cookie) {
    if (disposed_) return kAudioQueueErr_DisposalPending;
    cookie_ = cookie;
    return noErr;
}

OSStatus AudioQueue::setChannelLayout(const std::vector<uint8_t>& layout) {
    if (disposed_) return kAudioQueueErr_DisposalPending;
    layout_ = layout;
    return noErr;
}

OSStatus AudioQueue::addIsRunningListener(IsRunningListener listener) {
    if (disposed_) return kAudioQueueErr_DisposalPending;
    if (!listener) return kAudioQueueErr_InvalidParameter;
    listeners_.push_back(std::move(listener));
    return noErr;
}

void AudioQueue::setRunning(bool running) {
    if (running_ == running) return;
    running_ = running;
    // Listeners hear of it on a later turn of the main loop, never from inside a call the client is
    // making: the music player stops and frees its queue from its listener.
    std::weak_ptr<AudioQueue> weak = weak_from_this();
    MainLoop::main().post([weak] {
        auto self = weak.lock();
        if (!self || self->disposed_) return;
        auto listeners = self->listeners_;
        for (auto& listener : listeners) {
            if (self->disposed_) break;
            listener(*self);
        }
    });
}

void AudioQueue::startTimer() {
    if (timer_) return;
    std::weak_ptr<AudioQueue> weak = weak_from_this();
    timer_ = Timer::schedule(kPollInterval, true, [weak] {
        if (auto self = weak.lock()) self->poll();
    });
}

void AudioQueue::stopTimer() {
    if (timer_) timer_->invalidate();
    timer_.reset();
}

void AudioQueue::poll() {
    if (disposed_ || !running_) return;
    auto self = shared_from_this();  // a callback may drop the client's last reference
    ALint processed = 0;
    al().alGetError();
    al().alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
    if (al().alGetError() != AL_NO_ERROR) processed = 0;
    processed = std::min<ALint>(processed, static_cast<ALint>(playing_.size()));
    std::vector<ALuint> done(static_cast<size_t>(std::max(processed, 0)));
    if (processed > 0) {
        al().alSourceUnqueueBuffers(source_, processed, done.data());
        if (al().alGetError() != AL_NO_ERROR) done.clear();
    }
    for (ALuint name : done) {
        playing_.erase(std::find(playing_.begin(), playing_.end(), name));
        Slot* slot = nullptr;
        for (auto& s : buffers_)
            if (s->alBuffer == name) slot = s.get();
        if (!slot) continue;
        slot->enqueued = false;
        if (!draining_ && !disposed_) callback_(*this, slot->buffer.get());
        if (disposed_ || !running_) return;
    }
    if (draining_ && playing_.empty()) {
        stopTimer();
        draining_ = false;
        al().alSourceStop(source_);
        al().alGetError();
        setRunning(false);
    }
}

}  // namespace platform::audio
