#include "platform/storage/LibraryFolders.h"

#include <cstdlib>

#include "platform/storage/AtomicFile.h"

namespace platform {

std::filesystem::path libraryCacheFolder(const std::filesystem::path& home) {
    return home / "Library" / "Caches" / "Libraries";
}

std::vector<EnvironmentSetting> libraryFolderSettings(const std::filesystem::path& home,
                                                      bool sessionHasRuntimeFolder) {
    const auto caches = libraryCacheFolder(home);
    std::vector<EnvironmentSetting> settings{{"XDG_CACHE_HOME", caches.string()}};
    if (!sessionHasRuntimeFolder)
        settings.push_back({"PULSE_RUNTIME_PATH", (caches / "pulse-runtime").string()});
    return settings;
}

std::optional<std::vector<EnvironmentSetting>> prepareLibraryFolders(
    const std::filesystem::path& home, bool sessionHasRuntimeFolder) {
    if (home.empty()) return std::nullopt;
    std::error_code error;
    // The libraries resolve a relative folder against whatever their own working folder is.
    const auto absolute = std::filesystem::absolute(home, error);
    if (error) return std::nullopt;
    std::filesystem::create_directories(libraryCacheFolder(absolute), error);
    if (error) return std::nullopt;
    return libraryFolderSettings(absolute, sessionHasRuntimeFolder);
}

bool keepLibraryFilesIn(const std::filesystem::path& home) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const auto settings = prepareLibraryFolders(home, runtime && *runtime);
    if (!settings) return false;
    for (const auto& setting : *settings) ::setenv(setting.name.c_str(), setting.value.c_str(), 1);
    return true;
}

std::vector<std::string> processArguments() {
    std::vector<std::string> args;
    const auto text = AtomicFile::read("/proc/self/cmdline", nullptr, 1024 * 1024);
    if (!text) return args;
    std::size_t at = 0;
    while (at < text->size()) {
        const std::size_t end = text->find('\0', at);
        args.push_back(text->substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    if (!args.empty()) args.erase(args.begin());
    return args;
}

}  // namespace platform
