#include "app/main/LibraryFolders.h"

#include "platform/storage/AtomicFile.h"

namespace app {

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

std::vector<std::string> processArguments() {
    std::vector<std::string> args;
    const auto text = platform::AtomicFile::read("/proc/self/cmdline", nullptr, 1024 * 1024);
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

}  // namespace app
