#pragma once

// A fresh app home for one test: Documents, Library and the standard user defaults live in a
// new temporary folder while the scope lives, and the folder is removed afterwards. The
// standard user defaults are dropped on the way in and out, so no test sees another's.

#include <filesystem>
#include <memory>
#include <string>

#include "platform/testing/TempDir.h"

namespace platform {
class UserDefaults;
}

namespace ads::testing {

class TemporaryHome {
  public:
    TemporaryHome();
    ~TemporaryHome();
    TemporaryHome(const TemporaryHome&) = delete;
    TemporaryHome& operator=(const TemporaryHome&) = delete;

    const std::filesystem::path& path() const { return dir_.path(); }
    std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }

    // A user-defaults file of its own in this home, as a second program (or a later launch)
    // would open it: each call reads what the file holds now.
    std::unique_ptr<platform::UserDefaults> openDefaults(const std::string& name = "prefs") const;

  private:
    platform::testing::TempDir dir_;
};

}  // namespace ads::testing
