#pragma once

#include <optional>
#include <string>

namespace util {

// Leveled logger of the app. Level 1 is the debug level and prints nothing; 2 INFO, 3 WARN,
// 4 ERROR, any other level an empty word. The caller names the method or function it logs
// from, e.g. "-[AppCoreBase didLoadSettings]" or "ReadDictionaryFromPlistFile".
void LogMessage(const char* caller, int level, const std::optional<std::string>& text);
void LogMessage(const char* caller, int level, const char* text);

}  // namespace util
