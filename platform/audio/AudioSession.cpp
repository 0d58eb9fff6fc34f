#include "platform/audio/AudioSession.h"

namespace platform::audio {

AudioSession& AudioSession::shared() {
    static AudioSession session;
    return session;
}

void AudioSession::initialize() {
    std::lock_guard lock(mutex_);
    initialized_ = true;
}

bool AudioSession::isInitialized() const {
    std::lock_guard lock(mutex_);
    return initialized_;
}

void AudioSession::setCategory(uint32_t category) {
    std::lock_guard lock(mutex_);
    category_ = category;
}

uint32_t AudioSession::category() const {
    std::lock_guard lock(mutex_);
    return category_;
}

void AudioSession::setActive(bool active) {
    std::lock_guard lock(mutex_);
    active_ = active;
}

bool AudioSession::isActive() const {
    std::lock_guard lock(mutex_);
    return active_;
}

void AudioSession::reset() {
    std::lock_guard lock(mutex_);
    initialized_ = false;
    category_ = kAudioSessionCategory_SoloAmbientSound;
    active_ = false;
}

}  // namespace platform::audio
