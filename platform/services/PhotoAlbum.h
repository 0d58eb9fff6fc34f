#pragma once

// The user's photo album on a desktop: the folder "Movuroute" in the user's pictures folder
// (MOVUROUTE_PICTURES_DIR when set, else XDG_PICTURES_DIR as the user's XDG user-dirs file
// names it, else ~/Pictures). Pictures are saved as PNG under names of our own (the time and
// a counter), written atomically and never over a file that is there. The pictures folder may
// be a link; the album folder may not (a save is refused, nothing written through it). Safe from
// any thread; saving is slow, so callers keep it off the main thread.

#include <filesystem>
#include <optional>
#include <string>

namespace platform::gfx {
class Image;
}

namespace platform::services {

class PhotoAlbum {
  public:
    static constexpr const char* kFolderName = "Movuroute";
    static constexpr const char* kPicturesVariable = "MOVUROUTE_PICTURES_DIR";

    // The album folder (not made yet).
    static std::filesystem::path directory();
    // The saved file, or none with the reason in *error.
    static std::optional<std::filesystem::path> save(const gfx::Image& image,
                                                     std::string* error = nullptr);

    // The pictures folder an XDG user-dirs file names (its XDG_PICTURES_DIR line, "$HOME"
    // expanded), or none.
    static std::optional<std::filesystem::path> picturesDirectoryFromUserDirs(
        const std::string& text, const std::filesystem::path& home);
};

}  // namespace platform::services
