#include "ads/foundation/GADLogger.h"

#include "ads/foundation/GADLog.h"

namespace ads {

GADLogger& GADLogger::sharedInstance() {
    static GADLogger logger;
    return logger;
}

void GADLogger::logPublicMessage(const std::string& message) {
    GADLogText(publicMessageLine(message));
}

std::string GADLogger::publicMessageLine(const std::string& message) {
    return "<Zivivu> " + message;
}

}  // namespace ads
