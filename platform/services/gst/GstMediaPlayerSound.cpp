#include "platform/services/gst/GstMediaPlayerSound.h"

#include <algorithm>

#include "platform/audio/AudioFormat.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadChecker.h"

namespace platform::services {

namespace {
constexpr std::uint32_t kBytesPerFrame = 2 * sizeof(std::int16_t);
}

std::shared_ptr<GstMediaPlayerSound> GstMediaPlayerSound::create() {
    MOVU_CHECK_MAIN_THREAD();
    std::shared_ptr<GstMediaPlayerSound> sound(new GstMediaPlayerSound());
    std::weak_ptr<GstMediaPlayerSound> weak = sound;
    auto format = audio::linearPCMFormat(GstMediaPlayerBackend::kAudioRate, 2, 16);
    auto played = [weak](audio::AudioQueue&, audio::AudioQueueBufferRef buffer) {
        if (auto self = weak.lock()) {
            self->free_.push_back(buffer);
            self->feed();
        }
    };
    if (audio::AudioQueue::newOutput(format, played, sound->queue_) != audio::noErr) return nullptr;
    for (int i = 0; i < kBufferCount; ++i) {
        audio::AudioQueueBufferRef buffer = nullptr;
        if (sound->queue_->allocateBuffer(kBufferFrames * kBytesPerFrame, buffer) != audio::noErr)
            return nullptr;
        sound->free_.push_back(buffer);
    }
    return sound;
}

GstMediaPlayerSound::~GstMediaPlayerSound() {
    if (queue_) queue_->dispose(true);
}

GstMediaPlayerBackend::AudioOutput GstMediaPlayerSound::output() {
    return [self = shared_from_this(), waiting = waiting_](const std::int16_t* samples,
                                                           std::size_t frames) {
        bool post = false;
        {
            std::lock_guard lock(waiting->mutex);
            waiting->samples.insert(waiting->samples.end(), samples, samples + frames * 2);
            const std::size_t most = kMaxWaitingFrames * 2;
            if (waiting->samples.size() > most)
                waiting->samples.erase(waiting->samples.begin(),
                                       waiting->samples.end() - std::ptrdiff_t(most));
            post = !waiting->posted;
            waiting->posted = true;
        }
        if (post) {
            MainLoop::main().post([weak = std::weak_ptr<GstMediaPlayerSound>(self)] {
                if (auto sound = weak.lock()) sound->feed();
            });
        }
    };
}

void GstMediaPlayerSound::feed() {
    MOVU_CHECK_MAIN_THREAD();
    std::lock_guard lock(waiting_->mutex);
    waiting_->posted = false;
    bool enqueued = false;
    while (!free_.empty() && !waiting_->samples.empty()) {
        audio::AudioQueueBufferRef buffer = free_.back();
        const std::size_t count = std::min(waiting_->samples.size(), kBufferFrames * 2);
        auto* out = static_cast<std::int16_t*>(buffer->mAudioData);
        std::copy_n(waiting_->samples.begin(), count, out);
        waiting_->samples.erase(waiting_->samples.begin(),
                                waiting_->samples.begin() + std::ptrdiff_t(count));
        buffer->mAudioDataByteSize = std::uint32_t(count * sizeof(std::int16_t));
        if (queue_->enqueueBuffer(buffer, 0, nullptr) != audio::noErr) break;
        free_.pop_back();
        enqueued = true;
    }
    if (enqueued && !queue_->isRunning()) queue_->start();
}

}  // namespace platform::services
