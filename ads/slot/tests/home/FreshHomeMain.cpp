// This program's tests run with a home of their own: a fresh folder that holds what a desktop
// user's home holds for downloads (a Downloads folder, named in XDG_CONFIG_HOME's
// user-dirs.dirs), while the caches and data other libraries keep go beside it, not into it, so
// whatever a test finds there was saved for a page. GLib reads the home and the user folders
// once and keeps them for the life of the process, so they are set here, before anything in the
// process has asked.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

bool makeFreshHome(fs::path& root) {
    std::string pattern = (fs::temp_directory_path() / "movu-fresh-home-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return false;
    root = pattern;
    const fs::path home = root / "home";
    std::error_code error;
    fs::create_directories(home / ".config", error);
    fs::create_directories(home / "Downloads", error);
    std::ofstream(home / ".config" / "user-dirs.dirs") << "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n";
    if (error || !fs::is_regular_file(home / ".config" / "user-dirs.dirs")) return false;
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
    setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path root;
    if (!makeFreshHome(root)) {
        std::fprintf(stderr, "No fresh home could be made in %s\n",
                     fs::temp_directory_path().c_str());
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code error;
    fs::remove_all(root, error);
    return result;
}
