#include "core/JTException.h"

#include "core/JTLog.h"

namespace JTCore {

void JTException::printStackTrace() const {
    JTLogLine("[WARN] Exception: " + (message_ ? message_->toUtf8() : std::string("(null)")));
}

}  // namespace JTCore
