#include "core/JTLog.h"

#include "platform/base/LogSink.h"

namespace JTCore {

void JTLogLine(const std::string& line) {
    platform::LogSink::write(line);
}

}  // namespace JTCore
