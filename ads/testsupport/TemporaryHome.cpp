#include "ads/testsupport/TemporaryHome.h"

#include "platform/storage/AppPaths.h"
#include "platform/storage/UserDefaults.h"

namespace ads::testing {

TemporaryHome::TemporaryHome() {
    platform::AppPaths::setHomeOverride(dir_.path());
    platform::UserDefaults::resetStandardForTesting();
}

TemporaryHome::~TemporaryHome() {
    platform::UserDefaults::resetStandardForTesting();
    platform::AppPaths::setHomeOverride(std::nullopt);
}

std::unique_ptr<platform::UserDefaults> TemporaryHome::openDefaults(const std::string& name) const {
    return std::make_unique<platform::UserDefaults>(path() / (name + ".plist"));
}

}  // namespace ads::testing
