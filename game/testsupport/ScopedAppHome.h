#pragma once

// A fresh app home for the lifetime of the object: unlocks and scores written by a game stay
// inside it and are removed afterwards.

#include <filesystem>

namespace gametest {

class ScopedAppHome {
  public:
    explicit ScopedAppHome(std::filesystem::path home);
    ~ScopedAppHome();
    ScopedAppHome(const ScopedAppHome&) = delete;
    ScopedAppHome& operator=(const ScopedAppHome&) = delete;

    const std::filesystem::path& path() const { return home_; }

  private:
    std::filesystem::path home_;
};

}  // namespace gametest
