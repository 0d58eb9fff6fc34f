#include "platform/services/FreshFile.h"

#include <atomic>
#include <cerrno>
#include <ctime>

#include "platform/runtime/Clock.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/AtomicFile.h"

namespace platform::services {

std::optional<std::filesystem::path> createFreshFile(const std::filesystem::path& folder,
                                                     std::string_view stem,
                                                     std::string_view extension,
                                                     std::string_view bytes, std::string* error) {
    auto fail = [&](std::string reason) -> std::optional<std::filesystem::path> {
        if (error) *error = std::move(reason);
        return std::nullopt;
    };
    // The folder is ours to fill, so a link there (planted, or left by another program) would
    // carry the user's file to wherever it points: refused, as the private folders refuse one.
    std::string folderError;
    if (!AppPaths::ensureOwnDirectory(folder, 0755, &folderError)) return fail(folderError);
    static std::atomic<unsigned> counter{0};
    const std::time_t now = static_cast<std::time_t>(Clock::wallSeconds());
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const auto path = folder / (std::string(stem) + "-" + stamp + "-" +
                                    std::to_string(++counter) + std::string(extension));
        int errorNumber = 0;
        std::string reason;
        if (AtomicFile::create(path, bytes, &reason, 0644, &errorNumber)) return path;
        if (errorNumber != EEXIST)
            return fail(reason.empty() ? "The file could not be written." : reason);
    }
    return fail("No free name for the file.");
}

}  // namespace platform::services
