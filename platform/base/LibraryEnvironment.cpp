#include "platform/base/LibraryEnvironment.h"

#include <cstdlib>
#include <cstring>

extern char** environ;

namespace platform {

namespace {

// Written before main only, read after.
std::vector<std::string>& addedNames() {
    static std::vector<std::string> names;
    return names;
}

}  // namespace

void setLibraryEnvironment(const char* name, const char* value) {
    if (std::getenv(name)) return;
    if (::setenv(name, value, 0) == 0) addedNames().emplace_back(name);
}

std::vector<std::string> userProgramEnvironment() {
    std::vector<std::string> variables;
    for (char** entry = environ; entry && *entry; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        const std::size_t length = equals ? std::size_t(equals - *entry) : std::strlen(*entry);
        bool added = false;
        for (const auto& name : addedNames()) {
            added =
                added || (name.size() == length && name.compare(0, length, *entry, length) == 0);
        }
        if (!added) variables.emplace_back(*entry);
    }
    return variables;
}

}  // namespace platform
