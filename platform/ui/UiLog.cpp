#include "platform/ui/UiLog.h"

#include "platform/base/LogSink.h"

namespace platform::ui {

void uiLog(LogLevel level, const std::string& who, const std::string& text) {
    // Debug lines are dropped, as the shell's logger does at level 1.
    if (level == LogLevel::Debug) return;
    const char* word = level == LogLevel::Info   ? "INFO"
                       : level == LogLevel::Warn ? "WARN"
                                                 : "ERROR";
    LogSink::write("[" + std::string(word) + "] " + who + (text.empty() ? "" : "\n" + text));
}

}  // namespace platform::ui
