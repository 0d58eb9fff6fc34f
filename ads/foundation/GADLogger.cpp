#include "ads/foundation/GADLogger.h"

#include "ads/foundation/GADLog.h"

namespace ads {

GADLogger& GADLogger::sharedInstance() {
    static GADLogger logger;
    return logger;
}

void GADLogger::logPublicMessage(const std::string& message) {
    GADLog("<Zivivu> %s", message.c_str());
}

}  // namespace ads
