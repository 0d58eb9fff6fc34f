#include "sound/SoundEngineLog.h"

#include "platform/base/LogSink.h"

namespace sound {

void SoundEngineLogStatus(const char* what, int32_t status) {
    platform::LogSink::writef("%s: %d", what, status);
}

void SoundEngineLogALError(const char* what, int32_t error) {
    platform::LogSink::writef("%s: %x", what, static_cast<unsigned>(error));
}

void SoundEngineLogLine(const char* line) {
    platform::LogSink::write(line);
}

}  // namespace sound
