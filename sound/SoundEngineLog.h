#pragma once

// Failure lines of the sound engine: "<what>: <status>" with audio statuses in decimal and
// OpenAL errors in hexadecimal, as the engine has always printed them.

#include <cstdint>

namespace sound {

void SoundEngineLogStatus(const char* what, int32_t status);
void SoundEngineLogALError(const char* what, int32_t error);
void SoundEngineLogLine(const char* line);

}  // namespace sound
