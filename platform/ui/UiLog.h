#pragma once

// Diagnostics of the toolkit go through one function so they reach the program's log sink.

#include <string>

namespace platform::ui {

enum class LogLevel { Debug = 1, Info = 2, Warn = 3, Error = 4 };

void uiLog(LogLevel level, const std::string& who, const std::string& text);

}  // namespace platform::ui
