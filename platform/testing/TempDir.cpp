#include "platform/testing/TempDir.h"

#include <stdlib.h>

#include "platform/storage/AppPaths.h"

namespace platform::testing {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "movu-test-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests take permissions away to provoke failures; give them back so everything goes.
    for (auto& e : std::filesystem::recursive_directory_iterator(path_, ec))
        if (e.is_directory(ec) && !e.is_symlink(ec))
            std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

TempHome::TempHome(const std::string& homeName)
    : home_(homeName.empty() ? dir_.path() : dir_ / homeName) {
    platform::AppPaths::setHomeOverride(home_);
}

TempHome::~TempHome() {
    platform::AppPaths::setHomeOverride(std::nullopt);
}

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (old_)
        ::setenv(name_.c_str(), old_->c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

}  // namespace platform::testing
