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

std::vector<AudioSessionPortDescription> AudioSession::currentRouteOutputs() const {
    std::lock_guard lock(mutex_);
    if (testOutputs_) return *testOutputs_;
    if (openOutputDevices_ == 0) return {};
    return {{kAudioSessionPortBuiltInSpeaker, kAudioSessionPortBuiltInSpeaker}};
}

float AudioSession::outputVolume() const {
    std::lock_guard lock(mutex_);
    if (testVolume_) return *testVolume_;
    return 1.0f;
}

void AudioSession::outputDeviceOpened() {
    std::lock_guard lock(mutex_);
    ++openOutputDevices_;
}

void AudioSession::outputDeviceClosed() {
    std::lock_guard lock(mutex_);
    if (openOutputDevices_ > 0) --openOutputDevices_;
}

void AudioSession::setRouteForTesting(
    std::optional<std::vector<AudioSessionPortDescription>> outputs, std::optional<float> volume) {
    std::lock_guard lock(mutex_);
    testOutputs_ = std::move(outputs);
    testVolume_ = volume;
}

void AudioSession::reset() {
    std::lock_guard lock(mutex_);
    initialized_ = false;
    category_ = kAudioSessionCategory_SoloAmbientSound;
    active_ = false;
    testOutputs_.reset();
    testVolume_.reset();
}

}  // namespace platform::audio
