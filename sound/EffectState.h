#pragma once

// One loaded effect: its OpenAL source (whose name is the effect's id), up to three buffers
// (attack, loop, decay; the loop buffer holds the whole sound of a one-shot effect), the paths
// and the sample blocks, and the hand-over thread of its current start.

#include "sound/OpenALThread.h"

#include <AL/al.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sound {

struct EffectState {
    ALuint source = 0;
    ALuint attackBuffer = 0;
    ALuint loopBuffer = 0;
    ALuint decayBuffer = 0;
    std::string loopPath;
    std::optional<std::string> attackPath;
    std::optional<std::string> decayPath;
    std::vector<uint8_t> loopData;
    std::vector<uint8_t> attackData;
    std::vector<uint8_t> decayData;
    bool isLooping = false;
    std::shared_ptr<OpenALThread> thread;

    // Cancels the current start's thread and waits for it; afterwards only the caller touches
    // the source.
    void StopThread();
};

}  // namespace sound
