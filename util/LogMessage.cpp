#include "util/LogMessage.h"

#include "platform/base/LogSink.h"

namespace util {

namespace {
const char* levelWord(int level) {
    switch (level) {
        case 2:
            return "INFO";
        case 3:
            return "WARN";
        case 4:
            return "ERROR";
        default:
            return "";
    }
}
}  // namespace

void LogMessage(const char* caller, int level, const std::optional<std::string>& text) {
    if (level == 1) return;
    std::string line = "[";
    line += levelWord(level);
    line += "] ";
    line += caller ? caller : "";
    if (text && !text->empty()) {
        line += "\n";
        line += *text;
    }
    platform::LogSink::write(line);
}

void LogMessage(const char* caller, int level, const char* text) {
    if (level == 1) return;
    LogMessage(caller, level, text ? std::optional<std::string>(text) : std::nullopt);
}

}  // namespace util
