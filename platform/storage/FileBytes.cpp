#include "platform/storage/FileBytes.h"

#include "platform/storage/AtomicFile.h"
#include "platform/storage/StorageError.h"

namespace platform {

std::optional<std::string> FileBytes::read(const std::filesystem::path& path, Error* error) {
    std::string why;
    auto bytes = AtomicFile::read(path, &why);
    if (!bytes) {
        std::error_code ec;
        const bool missing = !std::filesystem::exists(path, ec);
        StorageError::fail(
            error, missing ? StorageError::kFileReadNoSuchFile : StorageError::kFileReadUnknown,
            why);
    }
    return bytes;
}

bool FileBytes::write(const std::filesystem::path& path, std::string_view bytes, Error* error,
                      mode_t mode) {
    std::string why;
    if (!AtomicFile::write(path, bytes, &why, mode))
        return StorageError::fail(error, StorageError::kFileWriteUnknown, why);
    return true;
}

}  // namespace platform
