#pragma once

// Where the libraries the program loads keep files of their own when it runs with --home. A home
// given on the command line is a world of its own, but libraries know nothing of it: GLib's
// settings store (dconf) keeps its runtime file in the user's runtime folder, or in ~/.cache
// when there is none, the sound server's client keeps its runtime folder in
// ~/.config/pulse when there is none, and Mesa, fontconfig and GStreamer keep their caches in
// ~/.cache. Each of them reads its folder from the environment, which must be set before any
// thread starts (setenv while another thread reads the environment can crash that thread), so
// the program sets these before main.

#include <filesystem>
#include <string>
#include <vector>

namespace app {

struct EnvironmentSetting {
    std::string name;
    std::string value;

    bool operator==(const EnvironmentSetting&) const = default;
};

// The folder of the home the libraries' caches go to (made before they are set).
std::filesystem::path libraryCacheFolder(const std::filesystem::path& home);

// The variables for an absolute home: the caches (and GLib's runtime files, which follow them
// when there is no runtime folder) always; the sound client's runtime folder only when the
// session has no runtime folder, since it otherwise lives there and holds the sound server's
// socket.
std::vector<EnvironmentSetting> libraryFolderSettings(const std::filesystem::path& home,
                                                      bool sessionHasRuntimeFolder);

// The program's command line as the kernel keeps it (/proc/self/cmdline), without the program's
// own name: readable before main, when nothing has handed main its arguments yet.
std::vector<std::string> processArguments();

}  // namespace app
