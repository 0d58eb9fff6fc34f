#pragma once

// Reads a whole sound file and hands its samples to a new OpenAL buffer.

#include <AL/al.h>

#include <cstdint>
#include <vector>

namespace sound {

// On success answers 0 and fills buffer and data (the samples stay with the effect). On failure
// answers the status and leaves nothing behind: no buffer, no data, no open file.
int32_t LoadFileIntoBuffer(const char* path, ALuint& buffer, std::vector<uint8_t>& data);

}  // namespace sound
