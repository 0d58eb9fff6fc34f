#include "game/testsupport/ScopedAppHome.h"

#include "platform/storage/AppPaths.h"

namespace gametest {

ScopedAppHome::ScopedAppHome(std::filesystem::path home) : home_(std::move(home)) {
    std::filesystem::remove_all(home_);
    platform::AppPaths::setHomeOverride(home_);
}

ScopedAppHome::~ScopedAppHome() {
    platform::AppPaths::setHomeOverride(std::nullopt);
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
}

}  // namespace gametest
