#include "util/SystemVersion.h"

#include <initializer_list>

#include "platform/device/DeviceInfo.h"

namespace util {

namespace {
bool beginsWithAny(const std::string& version, std::initializer_list<const char*> prefixes) {
    for (const char* p : prefixes) {
        if (version.rfind(p, 0) == 0) return true;
    }
    return false;
}
}  // namespace

std::string SystemVersion() {
    return platform::DeviceInfo::systemVersion();
}

// A desktop always runs the app beside others.
bool SystemSupportsMultitasking() {
    return true;
}
bool SystemSupportsOS3() {
    return true;
}
bool SystemSupportsOS4() {
    return true;
}

bool SystemSupportsOS5(const std::string& version) {
    return !beginsWithAny(version, {"4."});
}

bool SystemSupportsOS6(const std::string& version) {
    return !beginsWithAny(version, {"4.", "5."});
}

bool SystemSupportsOS7(const std::string& version) {
    return !beginsWithAny(version, {"4.", "5.", "6."});
}

bool SystemSupportsOS8(const std::string& version) {
    return !beginsWithAny(version, {"4.", "5.", "6.", "7."});
}

}  // namespace util
