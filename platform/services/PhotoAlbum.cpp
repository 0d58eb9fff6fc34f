#include "platform/services/PhotoAlbum.h"

#include <cstdlib>
#include <sstream>

#include "platform/gfx/Image.h"
#include "platform/services/FreshFile.h"
#include "platform/storage/AtomicFile.h"

namespace platform::services {

namespace fs = std::filesystem;

namespace {

fs::path homeDirectory() {
    const char* home = std::getenv("HOME");
    return home && *home ? fs::path(home) : fs::path("/");
}

std::string trim(std::string text) {
    const auto start = text.find_first_not_of(" \t\r");
    if (start == std::string::npos) return {};
    const auto end = text.find_last_not_of(" \t\r");
    return text.substr(start, end - start + 1);
}

}  // namespace

std::optional<fs::path> PhotoAlbum::picturesDirectoryFromUserDirs(const std::string& text,
                                                                  const fs::path& home) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = trim(line);
        if (line.rfind("XDG_PICTURES_DIR=", 0) != 0) continue;
        std::string value = trim(line.substr(17));
        if (value.size() < 2 || value.front() != '"' || value.back() != '"') return std::nullopt;
        value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) {
            std::string rest = value.substr(5);
            if (!rest.empty() && rest.front() != '/') return std::nullopt;
            while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
            return rest.empty() ? home : home / rest;
        }
        // Only absolute paths count; anything else is not a folder we can trust.
        if (value.empty() || value.front() != '/') return std::nullopt;
        return fs::path(value);
    }
    return std::nullopt;
}

fs::path PhotoAlbum::directory() {
    if (const char* dir = std::getenv(kPicturesVariable); dir && *dir) {
        return fs::path(dir) / kFolderName;
    }
    const fs::path home = homeDirectory();
    fs::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg && xdg[0] == '/') {
        config = xdg;
    } else {
        config = home / ".config";
    }
    if (auto text = AtomicFile::read(config / "user-dirs.dirs", nullptr, 64 * 1024)) {
        if (auto pictures = picturesDirectoryFromUserDirs(*text, home)) {
            return *pictures / kFolderName;
        }
    }
    return home / "Pictures" / kFolderName;
}

std::optional<fs::path> PhotoAlbum::save(const gfx::Image& image, std::string* error) {
    auto fail = [&](std::string reason) -> std::optional<fs::path> {
        if (error) *error = std::move(reason);
        return std::nullopt;
    };
    if (image.empty()) return fail("The picture is empty.");
    const auto png = image.encodePng();
    if (png.empty()) return fail("The picture could not be encoded.");
    return createFreshFile(directory(), "Movuroute", ".png",
                           std::string_view(reinterpret_cast<const char*>(png.data()), png.size()),
                           error);
}

}  // namespace platform::services
