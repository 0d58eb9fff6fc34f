#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// A private directory under the build tree, removed with its contents at the end of the test.
class TempDir {
  public:
    TempDir() {
        std::string pattern = std::string(MOVU_BINARY_DIR) + "/tmp-audio-XXXXXX";
        std::filesystem::create_directories(MOVU_BINARY_DIR);
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};
