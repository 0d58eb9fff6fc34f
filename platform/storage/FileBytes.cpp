#include "platform/storage/FileBytes.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/storage/AtomicFile.h"
#include "platform/storage/StorageError.h"

namespace platform {

std::optional<std::string> FileBytes::read(const std::filesystem::path& path, Error* error,
                                           std::size_t maxBytes) {
    std::string why;
    auto bytes = AtomicFile::read(path, &why, maxBytes);
    if (!bytes) {
        // Why it failed, as far as the file's kind tells: the callers act differently on a
        // missing, a damaged and a merely unreadable file.
        auto code = StorageError::kFileReadUnknown;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            if (errno == ENOENT) code = StorageError::kFileReadNoSuchFile;
        } else if (S_ISDIR(st.st_mode)) {
            code = StorageError::kFileReadUnknown;
        } else if (!S_ISREG(st.st_mode)) {
            code = StorageError::kFileReadCorruptFile;
        } else if (static_cast<std::size_t>(st.st_size) > maxBytes) {
            code = StorageError::kFileReadTooLarge;
        }
        StorageError::fail(error, code, why);
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
