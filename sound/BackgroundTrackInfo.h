#pragma once

// One entry of the music playlist. Only the playing entry keeps its file open; the others are
// opened when their turn comes.

#include "platform/audio/AudioFile.h"

#include <memory>
#include <string>

namespace sound {

struct BackgroundTrackInfo {
    std::string path;
    std::unique_ptr<platform::audio::AudioFile> file;
    platform::audio::AudioStreamBasicDescription format;
    uint64_t dataByteCount = 0;
    // The whole file goes into one buffer (asked for, or chosen for a short file).
    bool loadAtOnce = false;
    bool loadedAtOnce = false;
};

}  // namespace sound
