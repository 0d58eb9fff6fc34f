#pragma once

// Where the libraries a program loads keep files of their own when it runs in a home of its
// own (the game's --home, a demo's home). Such a home is a world of its own, but libraries know
// nothing of it: GLib's settings store (dconf) keeps its runtime file in the user's runtime
// folder, or in ~/.cache when there is none, the sound server's client keeps its runtime folder
// in ~/.config/pulse when there is none, and Mesa, fontconfig, GStreamer and WebKit keep their
// caches in ~/.cache. Each of them reads its folder from the environment, which must be set
// before any thread starts (setenv while another thread reads the environment can crash that
// thread): the game sets these before main, a demo first thing in main.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct EnvironmentSetting {
    std::string name;
    std::string value;

    bool operator==(const EnvironmentSetting&) const = default;
};

// The folder of the home the libraries' caches go to.
std::filesystem::path libraryCacheFolder(const std::filesystem::path& home);

// The variables for an absolute home: the caches (and GLib's runtime files, which follow them
// when there is no runtime folder) always; the sound client's runtime folder only when the
// session has no runtime folder, since it otherwise lives there and holds the sound server's
// socket.
std::vector<EnvironmentSetting> libraryFolderSettings(const std::filesystem::path& home,
                                                      bool sessionHasRuntimeFolder);

// Makes the cache folder of the home (taken as absolute) and answers the variables that send
// the libraries there; nothing when the folder cannot be made, so that no library is pointed
// at a folder it would then make in a place of its own choosing. Made first, so that a library
// that makes only its own last folder finds the one above.
std::optional<std::vector<EnvironmentSetting>> prepareLibraryFolders(
    const std::filesystem::path& home, bool sessionHasRuntimeFolder);

// prepareLibraryFolders for this session (its XDG_RUNTIME_DIR), then sets the variables. Only
// while no other thread runs. False, and nothing set, when the folder cannot be made.
bool keepLibraryFilesIn(const std::filesystem::path& home);

// The program's command line as the kernel keeps it (/proc/self/cmdline), without the program's
// own name: readable before main, when nothing has handed main its arguments yet.
std::vector<std::string> processArguments();

}  // namespace platform
