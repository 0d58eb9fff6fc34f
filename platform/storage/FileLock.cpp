#include "platform/storage/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/storage/AppPaths.h"

namespace platform {

std::filesystem::path FileLock::lockPathFor(const std::filesystem::path& file) {
    std::filesystem::path lockPath = file;
    lockPath += ".lock";
    return lockPath;
}

FileLock::FileLock(const std::filesystem::path& file, std::string* why) {
    const std::filesystem::path lockPath = lockPathFor(file);
    auto fail = [&](const char* what) {
        if (why) *why = std::string(what) + " " + lockPath.string() + ": " + std::strerror(errno);
    };
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        fail("cannot open");
        return;
    }
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            fail("cannot lock");
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
}

std::optional<FileLock> FileLock::creatingFolder(const std::filesystem::path& file,
                                                 std::string* why) {
    std::string error;
    if (!AppPaths::ensureDirectory(file.parent_path(), 0700, &error)) {
        if (why) *why = std::move(error);
        return std::nullopt;
    }
    FileLock lock(file, why);
    if (!lock.held()) return std::nullopt;
    return lock;
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileLock::~FileLock() {
    // Closing the only descriptor releases the lock.
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace platform
