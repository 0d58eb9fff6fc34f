#pragma once

#include <functional>
#include <string>

namespace JTCore {

// Where the game core's own diagnostic lines go (stderr unless a sink is installed). The shell
// and tests install a sink; the game core never prints by another route.
using JTLogSink = std::function<void(const std::string& line)>;
void SetJTLogSink(JTLogSink sink);
void JTLogLine(const std::string& line);

}  // namespace JTCore
