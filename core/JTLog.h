#pragma once

#include <string>

namespace JTCore {

// The game core's own diagnostic lines go to the platform log sink, like every other line of
// the program (tests capture them there).
void JTLogLine(const std::string& line);

}  // namespace JTCore
