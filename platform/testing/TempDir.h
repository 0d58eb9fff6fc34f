#pragma once

// For tests: a fresh folder removed with everything in it at the end of the scope, the same as
// the app's home for the length of a scope, and an environment variable set (or unset) for the
// length of a scope.

#include <filesystem>
#include <optional>
#include <string>

namespace platform::testing {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// A fresh folder that is the app's home (AppPaths) while the scope lives. `home()` is the folder
// the app sees: the temporary folder itself, or a folder of the given name inside it, so that a
// test can keep siblings of the home (a keychain, a bundle) in the same temporary folder.
// Constructed afterwards and destroyed before it, nothing a test writes outlives it.
class TempHome {
  public:
    explicit TempHome(const std::string& homeName = {});
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& path() const { return dir_.path(); }
    std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }
    const std::filesystem::path& home() const { return home_; }

  private:
    TempDir dir_;
    std::filesystem::path home_;
};

class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace platform::testing
