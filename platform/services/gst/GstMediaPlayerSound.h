#pragma once

// A GStreamer player's sound, played through an AudioQueue in the current OpenAL context (the
// game's, beside its own effects). The pipeline's audio sink hands over PCM on GStreamer's
// threads as each piece falls due, so what waits here is only what OpenAL has not mixed yet:
// the samples are kept under a lock and moved into the queue's buffers on the main loop.
// Volume and mute are applied in the pipeline before the samples arrive.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio/AudioQueue.h"
#include "platform/services/gst/GstMediaPlayerBackend.h"

namespace platform::services {

class GstMediaPlayerSound : public std::enable_shared_from_this<GstMediaPlayerSound> {
  public:
    // Buffers of a twentieth of a second; more waiting than kMaxWaitingFrames (a main loop
    // that stood still) drops the oldest, so the sound never lags its picture for long.
    static constexpr std::size_t kBufferFrames = GstMediaPlayerBackend::kAudioRate / 20;
    static constexpr int kBufferCount = 6;
    static constexpr std::size_t kMaxWaitingFrames = GstMediaPlayerBackend::kAudioRate / 2;

    // Null when no OpenAL context is current: the player then plays without sound.
    static std::shared_ptr<GstMediaPlayerSound> create();
    // Main thread: stops the queue and frees its buffers.
    ~GstMediaPlayerSound();

    // The backend's audio output; it keeps this object alive as long as the backend has it.
    GstMediaPlayerBackend::AudioOutput output();

  private:
    struct Waiting {
        std::mutex mutex;
        std::deque<std::int16_t> samples;  // interleaved stereo
        bool posted = false;
    };

    GstMediaPlayerSound() = default;
    void feed();

    std::shared_ptr<audio::AudioQueue> queue_;
    std::vector<audio::AudioQueueBufferRef> free_;
    std::shared_ptr<Waiting> waiting_ = std::make_shared<Waiting>();
};

}  // namespace platform::services
