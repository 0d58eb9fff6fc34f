#pragma once

// The SDK's console log. A line is formatted on the caller's thread at the call, then written
// by one serial queue ("com.zivivu.durez.logging"), so lines keep the order of their calls
// and logging never blocks the caller on the console.

#include <string>

namespace ads {

void GADLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same for text that is already formatted (it is never read as a format).
void GADLogText(std::string line);

// Waits until every line logged before the call has been written: before the process exits,
// so that the last lines are not lost, and before a test reads what was logged.
void GADLogFlush();

}  // namespace ads
