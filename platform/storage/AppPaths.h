#pragma once

// Where the program keeps its files: the app home and the folders the shell's file
// names are relative to (Documents, Library/Caches, Library/Preferences, tmp).
//
// The home is $MOVUROUTE_HOME when set, else $XDG_DATA_HOME/movuroute, else
// ~/.local/share/movuroute. The environment is read on every call, so a test that points
// MOVUROUTE_HOME somewhere else (or calls setHomeOverride) is obeyed at once.
//
// Folders are created on demand, when they are asked for, and the temporary files killed saves
// left in them are removed (AtomicFile) the first time in a run. A folder that cannot be created is
// still answered: the write that follows fails and reports the path, which says more than an
// empty path would.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

namespace platform {

class AppPaths {
  public:
    static std::filesystem::path home();
    static std::filesystem::path documents();
    static std::filesystem::path library();
    static std::filesystem::path caches();
    static std::filesystem::path preferences();
    // Private to this user (0700): temporary downloads and caches of half-trusted data live
    // here, so a folder found with wider permissions is narrowed.
    static std::filesystem::path tmp();
    // tmp(), or nothing (with the reason) when it is not a folder of this user's own: a link,
    // or a folder someone else owns. For callers that keep half-trusted data there.
    static std::optional<std::filesystem::path> privateTmp(std::string* error = nullptr);

    // The folder the maker's programs share (the keychain lives there): $MOVUROUTE_SHARED_HOME
    // when set, else Shared/ in the home override when one is set (the program's --home),
    // else $XDG_DATA_HOME/zivivu-shared, else ~/.local/share/zivivu-shared.
    static std::filesystem::path sharedData();
    // sharedData(), or nothing (with the reason) when it is not a private folder of this
    // user's own, refused as privateTmp() refuses: the keychain and the advertising identifier
    // live there, and a link would carry them to wherever it points. Made 0700 when missing,
    // narrowed to it when wider.
    static std::optional<std::filesystem::path> privateSharedData(std::string* error = nullptr);

    // Wins over the environment while set; nullopt returns to the environment.
    static void setHomeOverride(std::optional<std::filesystem::path> home);

    // mkdir -p with the given mode for the folders it creates. A file in the way is refused;
    // a symbolic link to a folder is followed, except with `exactMode`, where it is refused,
    // as is a folder someone else owns, and an existing folder of ours gets its mode narrowed
    // to `mode`.
    static bool ensureDirectory(const std::filesystem::path& dir, mode_t mode,
                                std::string* error = nullptr, bool exactMode = false);
    // ensureDirectory for a folder the program fills with files of the user's (calendar
    // events, album pictures): the folders above it may be links, but the folder itself must
    // be a real folder of this user's, refused as a private folder is when it is a link or
    // someone else's; otherwise what we write would land wherever the link points. Its mode
    // is the user's: `mode` applies only when it is made.
    static bool ensureOwnDirectory(const std::filesystem::path& dir, mode_t mode,
                                   std::string* error = nullptr);
    // Whether `file` may be read and replaced as a file of ours: absent, or no link. Refused
    // with the reason a private folder reached through a link gets, for files whose contents
    // are trusted (unfinished purchases) and must not come from wherever a link points.
    static bool isNotALink(const std::filesystem::path& file, std::string* error = nullptr);

  private:
    enum class Ownership { Any, Own, Private };
    static bool makeDirectory(const std::filesystem::path& dir, mode_t mode, std::string* error,
                              Ownership ownership);
    static std::filesystem::path dataHome();
    static std::filesystem::path homeFolder(std::filesystem::path dir);
    // The folder made or narrowed to 0700, or nothing when it is a link or someone else's.
    static std::optional<std::filesystem::path> privateFolder(std::filesystem::path dir,
                                                              std::string* error);
};

}  // namespace platform
