#include "platform/device/DeviceInfo.h"

#include <mutex>

#include "platform/base/NumberText.h"

namespace platform {

namespace {

std::mutex& factsMutex() {
    static std::mutex m;
    return m;
}

DeviceInfo::Facts& facts() {
    static DeviceInfo::Facts f;
    return f;
}

}  // namespace

DeviceInfo::Facts DeviceInfo::current() {
    std::lock_guard lock(factsMutex());
    return facts();
}

std::string DeviceInfo::model() {
    return current().model;
}

std::string DeviceInfo::systemName() {
    return current().systemName;
}

std::string DeviceInfo::systemVersion() {
    return current().systemVersion;
}

UserInterfaceIdiom DeviceInfo::userInterfaceIdiom() {
    return current().idiom;
}

int DeviceInfo::systemMajorVersion() {
    return intValue(systemVersion());
}

DeviceInfo::Scope::Scope(Facts replacement) {
    std::lock_guard lock(factsMutex());
    previous_ = std::move(facts());
    facts() = std::move(replacement);
}

DeviceInfo::Scope::~Scope() {
    std::lock_guard lock(factsMutex());
    facts() = std::move(previous_);
}

}  // namespace platform
