#pragma once

// The effect half of the sound engine: the output device and context, and the table of loaded
// effects by id (the name of the effect's OpenAL source).

#include "platform/audio/AudioDevice.h"
#include "sound/EffectState.h"

#include <cstdint>
#include <map>
#include <memory>

namespace sound {

class EffectManager {
  public:
    explicit EffectManager(float mixerOutputRate);
    // Releases every effect still loaded, then the context and the device.
    ~EffectManager();
    EffectManager(const EffectManager&) = delete;
    EffectManager& operator=(const EffectManager&) = delete;

    // Opens the default device with the mixer rate and makes its context current. Answers 0,
    // kSoundNoDevice, or the OpenAL error.
    int32_t OpenDevice();
    bool HasOutput() const { return device_ && device_->context(); }
    platform::audio::AudioDevice* Device() const { return device_.get(); }

    std::shared_ptr<EffectState> Find(uint32_t id) const;
    void Insert(std::shared_ptr<EffectState> effect);
    // Drops the effect and releases its source, buffers and samples.
    bool Remove(uint32_t id);
    size_t Count() const { return effects_.size(); }
    // Whether any effect is playing or about to (its hand-over thread runs).
    bool AnySounding() const;

    // Stops the effect's thread, deletes its source and then its buffers, frees its samples.
    static void Release(EffectState& effect);

  private:
    float mixerOutputRate_;
    std::unique_ptr<platform::audio::AudioDevice> device_;
    std::map<uint32_t, std::shared_ptr<EffectState>> effects_;
};

}  // namespace sound
