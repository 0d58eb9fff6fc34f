#include "ads/testsupport/TemporaryHome.h"

#include <stdlib.h>

#include <string>

#include "platform/storage/AppPaths.h"
#include "platform/storage/UserDefaults.h"

namespace ads::testing {

TemporaryHome::TemporaryHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "movu-ads-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
    platform::AppPaths::setHomeOverride(path_);
    platform::UserDefaults::resetStandardForTesting();
}

TemporaryHome::~TemporaryHome() {
    platform::UserDefaults::resetStandardForTesting();
    platform::AppPaths::setHomeOverride(std::nullopt);
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::unique_ptr<platform::UserDefaults> TemporaryHome::openDefaults(const std::string& name) const {
    return std::make_unique<platform::UserDefaults>(path_ / (name + ".plist"));
}

}  // namespace ads::testing
