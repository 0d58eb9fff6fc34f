#pragma once

// An output audio queue with the buffer protocol the music player was written for, played
// through an OpenAL
// streaming source of the current context. The client allocates buffers, fills them and
// enqueues them; each buffer comes back through the output callback once it has been played.
// Callbacks and the is-running listener are delivered on the main loop, never on the mixer's
// thread: a main-loop timer watches the source while the queue runs.
//
// Buffers hold the stream format's own bytes (linear PCM of 8 to 64 bits, either endianness, or
// the decoded packets of compressed files, see AudioFile); the queue converts them to what
// OpenAL takes when they are enqueued.

#include "platform/audio/AudioFormat.h"

#include <AL/al.h>

#include <functional>
#include <memory>
#include <vector>

namespace platform {
class Timer;
}

namespace platform::audio {

struct AudioQueueBuffer {
    uint32_t mAudioDataBytesCapacity = 0;
    void* mAudioData = nullptr;
    uint32_t mAudioDataByteSize = 0;
};
using AudioQueueBufferRef = AudioQueueBuffer*;

class AudioQueue : public std::enable_shared_from_this<AudioQueue> {
  public:
    using OutputCallback = std::function<void(AudioQueue& queue, AudioQueueBufferRef buffer)>;
    using IsRunningListener = std::function<void(AudioQueue& queue)>;

    // How often the queue looks at its source while running, in seconds.
    static constexpr double kPollInterval = 0.01;

    // A new output queue for the format. Needs a current OpenAL context
    // (kAudioQueueErr_InvalidDevice without one); formats other than 1 or 2 channels of linear
    // PCM or decoded packets answer kAudioFormatUnsupportedDataFormatError.
    static OSStatus newOutput(const AudioStreamBasicDescription& format, OutputCallback callback,
                              std::shared_ptr<AudioQueue>& out);

    ~AudioQueue();
    AudioQueue(const AudioQueue&) = delete;
    AudioQueue& operator=(const AudioQueue&) = delete;

    const AudioStreamBasicDescription& format() const { return format_; }

    OSStatus allocateBuffer(uint32_t capacity, AudioQueueBufferRef& out);
    // A buffer that is still enqueued cannot be freed (kAudioQueueErr_BufferInQueue).
    OSStatus freeBuffer(AudioQueueBufferRef buffer);
    // Descriptions are needed for formats without a fixed packet size and otherwise ignored.
    OSStatus enqueueBuffer(AudioQueueBufferRef buffer, uint32_t numPacketDescriptions,
                           const AudioStreamPacketDescription* descriptions);

    OSStatus prime();
    OSStatus start();
    // Immediate: stops at once and drops what is queued, without callbacks. Otherwise the
    // queue plays out what is enqueued (handing back no more buffers) and then stops.
    OSStatus stop(bool immediate);
    // Stops at once and frees every buffer and the source; nothing is delivered afterwards.
    OSStatus dispose(bool immediate);

    OSStatus setVolume(float volume);
    float volume() const { return volume_; }
    // Our formats carry none of either; a cookie or layout given is kept for the record.
    OSStatus setMagicCookie(const std::vector<uint8_t>& cookie);
    OSStatus setChannelLayout(const std::vector<uint8_t>& layout);

    OSStatus addIsRunningListener(IsRunningListener listener);
    bool isRunning() const { return running_; }
    bool isDisposed() const { return disposed_; }

    // The OpenAL source and the number of buffers enqueued and not yet handed back.
    ALuint source() const { return source_; }
    size_t enqueuedCount() const;
    size_t allocatedCount() const { return buffers_.size(); }

    // Hands back the buffers the source has finished with (what the timer does).
    void poll();

  private:
    struct Slot {
        std::unique_ptr<AudioQueueBuffer> buffer;
        std::vector<uint8_t> storage;
        ALuint alBuffer = 0;
        bool enqueued = false;
    };

    AudioQueue(const AudioStreamBasicDescription& format, OutputCallback callback);
    Slot* find(AudioQueueBufferRef buffer);
    void setRunning(bool running);
    void startTimer();
    void stopTimer();
    void clearSource();

    AudioStreamBasicDescription format_;
    OutputCallback callback_;
    std::vector<IsRunningListener> listeners_;
    std::vector<std::unique_ptr<Slot>> buffers_;
    std::vector<ALuint> playing_;  // AL buffer names in source order
    ALuint source_ = 0;
    float volume_ = 1.0f;
    bool running_ = false;
    bool draining_ = false;
    bool disposed_ = false;
    std::vector<uint8_t> cookie_;
    std::vector<uint8_t> layout_;
    std::shared_ptr<Timer> timer_;
};

// Turns one buffer of the format into samples OpenAL takes (16-bit little-endian, or unsigned
// 8-bit, mono or stereo). Answers the OpenAL format, or 0 when the bytes cannot be converted.
ALenum convertForOpenAL(const AudioStreamBasicDescription& format, const uint8_t* bytes,
                        size_t size, std::vector<uint8_t>& out);

}  // namespace platform::audio
