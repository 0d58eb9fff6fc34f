#include "platform/storage/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>

namespace platform {

namespace {

void setError(std::string* error, std::string what, const std::filesystem::path& path, int err) {
    if (!error) return;
    *error = std::move(what) + " " + path.string();
    if (err != 0) *error += ": " + std::string(std::strerror(err));
}

bool writeAll(int fd, std::string_view bytes, int* err) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            *err = errno;
            return false;
        }
        if (n == 0) {
            *err = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Makes the rename itself durable; a directory that refuses fsync (some file systems do) has
// still received the new entry, so that is not a failure of the write.
void syncDirectory(const std::filesystem::path& dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool isMkstempLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// Removes one leftover if it is still ours to remove: a plain file of this user's, unchanged
// for a while, that no writer holds locked, and still the same file under its name.
void removeIfStale(int dirFd, const char* name, std::time_t now) {
    int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
        st.st_mtime <= now - AtomicFile::kStaleTemporarySeconds &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        struct stat named {};
        if (::fstatat(dirFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == st.st_dev &&
            named.st_ino == st.st_ino)
            ::unlinkat(dirFd, name, 0);
    }
    ::close(fd);
}

}  // namespace

// Once per folder and process: a kill leaves at most one leftover per write, so looking again
// would only find what this process itself is writing.
void AtomicFile::removeStaleTemporaries(const std::filesystem::path& dir) {
    // Never destroyed: saves still run at exit (the preferences' last flush), after the
    // destructors of statics made later than that flush was registered.
    static auto* mutex = new std::mutex;
    static auto* swept = new std::set<std::string>;
    {
        std::lock_guard lock(*mutex);
        if (!swept->insert(dir.string()).second) return;
    }
    DIR* listing = ::opendir(dir.c_str());
    if (!listing) return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(listing)) {
        if (AtomicFile::isTemporaryName(entry->d_name))
            removeIfStale(::dirfd(listing), entry->d_name, now);
    }
    ::closedir(listing);
}

namespace {

enum class Landing { Replace, CreateOnly };

bool land(const std::filesystem::path& path, const AtomicFile::Producer& producer,
          std::string* error, mode_t mode, Landing landing, int* errorNumber) {
    auto setBoth = [&](std::string what, int err) {
        if (errorNumber) *errorNumber = err;
        setError(error, std::move(what), path, err);
        return false;
    };
    if (path.empty() || !path.has_filename()) return setBoth("cannot write to the path", EINVAL);
    std::filesystem::path dir = path.parent_path();
    if (dir.empty()) dir = ".";
    AtomicFile::removeStaleTemporaries(dir);

    std::string tmpName = ".";
    tmpName += path.filename().string();
    tmpName += ".tmp-XXXXXX";
    std::string pattern = (dir / tmpName).string();
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return setBoth("cannot create a temporary file for", errno);
    std::filesystem::path tmp = pattern;
    auto fail = [&](std::string what, int err) {
        if (fd >= 0) ::close(fd);
        ::unlink(tmp.c_str());
        return setBoth(std::move(what), err);
    };
    // Held until the file is in place: it tells another process's sweep that this one is
    // still being written, however long the producer takes.
    if (::flock(fd, LOCK_EX) != 0) return fail("cannot lock the temporary file for", errno);
    if (::fchmod(fd, mode) != 0) return fail("cannot set the mode of", errno);

    int putErr = 0;
    bool putFailed = false;
    AtomicFile::Put put = [&](std::string_view chunk) {
        if (putFailed) return false;
        if (!writeAll(fd, chunk, &putErr)) putFailed = true;
        return !putFailed;
    };
    bool produced = producer ? producer(put) : false;
    if (putFailed) return fail("cannot write", putErr);
    if (!produced) return fail("the content could not be produced for", 0);

    if (::fsync(fd) != 0) return fail("cannot flush", errno);
    if (landing == Landing::Replace) {
        if (::rename(tmp.c_str(), path.c_str()) != 0) return fail("cannot replace", errno);
    } else {
        // link() refuses an existing target, which rename() would replace; the temporary
        // name goes either way.
        if (::link(tmp.c_str(), path.c_str()) != 0) {
            int err = errno;
            return fail(err == EEXIST ? "already there:" : "cannot create", err);
        }
        ::unlink(tmp.c_str());
    }
    // The bytes reached the disk with fsync; closing now cannot lose them.
    ::close(fd);
    syncDirectory(dir);
    if (errorNumber) *errorNumber = 0;
    return true;
}

}  // namespace

bool AtomicFile::isTemporaryName(std::string_view name) {
    constexpr std::string_view kMark = ".tmp-";
    constexpr std::size_t kLetters = 6;
    if (name.size() < 1 + 1 + kMark.size() + kLetters || name.front() != '.') return false;
    std::string_view letters = name.substr(name.size() - kLetters);
    if (name.substr(name.size() - kLetters - kMark.size(), kMark.size()) != kMark) return false;
    for (char c : letters)
        if (!isMkstempLetter(c)) return false;
    return true;
}

bool AtomicFile::write(const std::filesystem::path& path, std::string_view bytes,
                       std::string* error, mode_t mode) {
    return write(
        path, [bytes](const Put& put) { return put(bytes); }, error, mode);
}

bool AtomicFile::write(const std::filesystem::path& path, const Producer& producer,
                       std::string* error, mode_t mode) {
    return land(path, producer, error, mode, Landing::Replace, nullptr);
}

bool AtomicFile::create(const std::filesystem::path& path, std::string_view bytes,
                        std::string* error, mode_t mode, int* errorNumber) {
    return land(
        path, [bytes](const Put& put) { return put(bytes); }, error, mode, Landing::CreateOnly,
        errorNumber);
}

std::optional<std::string> AtomicFile::read(const std::filesystem::path& path, std::string* error,
                                            std::size_t maxBytes) {
    // Non-blocking so that a FIFO planted where a file should be cannot hang the reader; the
    // flag does not change how regular files read.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        setError(error, "cannot open", path, errno);
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = errno;
        ::close(fd);
        setError(error, "not a regular file:", path, S_ISREG(st.st_mode) ? err : 0);
        return std::nullopt;
    }
    if (static_cast<std::size_t>(st.st_size) > maxBytes) {
        ::close(fd);
        setError(error, "file too large:", path, 0);
        return std::nullopt;
    }
    std::string out;
    out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            setError(error, "cannot read", path, err);
            return std::nullopt;
        }
        if (n == 0) break;
        if (out.size() + static_cast<std::size_t>(n) > maxBytes) {
            ::close(fd);
            setError(error, "file too large:", path, 0);
            return std::nullopt;
        }
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return out;
}

std::optional<std::filesystem::path> AtomicFile::moveAside(const std::filesystem::path& path,
                                                           std::string* error) {
    // A damaged copy is kept for someone to look into, not for the world to read: it holds
    // what the file held (purchases, settings, identifiers), whatever mode the damage left.
    // Narrowed before it moves, so it never lies under its new name any wider. A link is moved
    // as it is (the call refuses links): what it points to is not ours to change.
    struct stat found {};
    if (::lstat(path.c_str(), &found) == 0 && S_ISREG(found.st_mode))
        ::fchmodat(AT_FDCWD, path.c_str(), 0600, AT_SYMLINK_NOFOLLOW);
    std::string stem =
        path.string() + ".corrupt-" + std::to_string(static_cast<long long>(std::time(nullptr)));
    for (int n = 1; n <= 100; ++n) {
        std::filesystem::path aside = n == 1 ? stem : stem + "-" + std::to_string(n);
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0)
            return aside;
        if (errno == EEXIST) continue;
        // A file system without the no-replace flag: look first, then rename.
        struct stat st {};
        if (errno == EINVAL && ::lstat(aside.c_str(), &st) != 0 && errno == ENOENT) {
            if (::rename(path.c_str(), aside.c_str()) == 0) return aside;
        }
        setError(error, "cannot move aside", path, errno);
        return std::nullopt;
    }
    setError(error, "cannot move aside", path, EEXIST);
    return std::nullopt;
}

}  // namespace platform
