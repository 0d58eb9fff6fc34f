#pragma once

// The SDK's public log: messages addressed to the app's developer ("<Zivivu> ..."). Their
// texts are part of the SDK's interface, so callers pass them complete.

#include <string>

namespace ads {

class GADLogger {
  public:
    static GADLogger& sharedInstance();

    void logPublicMessage(const std::string& message);
    // The line logPublicMessage writes, for a message that must spend another budget first
    // (one a page caused: GADPageLog).
    static std::string publicMessageLine(const std::string& message);

  private:
    GADLogger() = default;
};

}  // namespace ads
