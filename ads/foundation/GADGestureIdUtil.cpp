#include "ads/foundation/GADGestureIdUtil.h"

#include <array>

#include "platform/base/NumberText.h"
#include "platform/base/Uuid.h"
#include "platform/device/AdvertisingIdentifier.h"
#include "platform/device/DeviceInfo.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

namespace {

std::array<std::int32_t, 3> versionParts(const std::string& version) {
    std::array<std::int32_t, 3> parts{0, 0, 0};
    std::size_t start = 0;
    for (std::size_t i = 0; i < parts.size() && start <= version.size(); ++i) {
        std::size_t end = version.find('.', start);
        if (end == std::string::npos) end = version.size();
        parts[i] = platform::intValue(std::string_view(version).substr(start, end - start));
        if (end == version.size()) break;
        start = end + 1;
    }
    return parts;
}

bool hasAdvertisingIdentifier() {
    return GADGestureIdUtil::isOSAtLeastMajor(6, 0, 0);
}

}  // namespace

GADGestureIdUtil& GADGestureIdUtil::sharedInstance() {
    static GADGestureIdUtil instance;
    return instance;
}

GADGestureIdUtil::GADGestureIdUtil(platform::UserDefaults* userDefaults)
    : userDefaults_(userDefaults) {}

platform::UserDefaults& GADGestureIdUtil::userDefaults() const {
    return userDefaults_ ? *userDefaults_ : platform::UserDefaults::standard();
}

void GADGestureIdUtil::getOSMajor(std::int32_t* major, std::int32_t* minor, std::int32_t* bugFix) {
    const auto parts = versionParts(sharedInstance().osVersion());
    if (major) *major = parts[0];
    if (minor) *minor = parts[1];
    if (bugFix) *bugFix = parts[2];
}

bool GADGestureIdUtil::isOSAtLeastMajor(std::int32_t major, std::int32_t minor, std::int32_t bug) {
    std::array<std::int32_t, 3> have{};
    getOSMajor(&have[0], &have[1], &have[2]);
    return have >= std::array<std::int32_t, 3>{major, minor, bug};
}

std::string GADGestureIdUtil::osVersion() const {
    return platform::DeviceInfo::systemVersion();
}

std::string GADGestureIdUtil::deviceIdentifier() {
    if (hasAdvertisingIdentifier()) {
        platform::AdvertisingIdentifier& identifier = platform::AdvertisingIdentifier::shared();
        if (!identifier.isAdvertisingTrackingEnabled()) return {};
        return identifier.advertisingIdentifier().toString();
    }
    platform::UserDefaults& defaults = userDefaults();
    if (auto stored = defaults.stringForKey(kAppIdKey); stored && !stored->empty()) {
        return *stored;
    }
    std::string made = platform::Uuid::random().toString();
    defaults.setString(kAppIdKey, made);
    return made;
}

int GADGestureIdUtil::deviceIdentifierType() const {
    return hasAdvertisingIdentifier() ? 4 : 1;
}

bool GADGestureIdUtil::deviceOptedOut() const {
    if (!hasAdvertisingIdentifier()) return false;
    return !platform::AdvertisingIdentifier::shared().isAdvertisingTrackingEnabled();
}

}  // namespace ads
