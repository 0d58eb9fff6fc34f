#include "ads/foundation/GADLog.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/base/LogSink.h"
#include "platform/runtime/SerialQueue.h"

namespace ads {

namespace {

platform::SerialQueue& loggingQueue() {
    // Never destroyed: lines may still be logged from other threads while the process exits.
    static auto* queue = new platform::SerialQueue("com.zivivu.durez.logging");
    return *queue;
}

}  // namespace

void GADLog(const char* format, ...) {
    if (!format) return;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string line;
    if (length > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        line.assign(buffer.data(), static_cast<std::size_t>(length));
    }
    va_end(args);
    GADLogText(std::move(line));
}

void GADLogText(std::string line) {
    loggingQueue().async([line = std::move(line)] { platform::LogSink::write(line); });
}

void GADLogFlush() {
    // A sync from the logging queue itself is refused by the queue; nothing is waiting then.
    loggingQueue().sync([] {});
}

}  // namespace ads
