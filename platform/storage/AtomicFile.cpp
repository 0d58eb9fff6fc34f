#include "platform/storage/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

}  // namespace

bool AtomicFile::write(const std::filesystem::path& path, std::string_view bytes,
                       std::string* error, mode_t mode) {
    return write(
        path, [bytes](const Put& put) { return put(bytes); }, error, mode);
}

bool AtomicFile::write(const std::filesystem::path& path, const Producer& producer,
                       std::string* error, mode_t mode) {
    if (path.empty() || !path.has_filename()) {
        setError(error, "cannot write to the path", path, EINVAL);
        return false;
    }
    std::filesystem::path dir = path.parent_path();
    if (dir.empty()) dir = ".";

    std::string tmpName = ".";
    tmpName += path.filename().string();
    tmpName += ".tmp-XXXXXX";
    std::string pattern = (dir / tmpName).string();
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        setError(error, "cannot create a temporary file for", path, errno);
        return false;
    }
    std::filesystem::path tmp = pattern;
    auto fail = [&](std::string what, int err) {
        if (fd >= 0) ::close(fd);
        ::unlink(tmp.c_str());
        setError(error, std::move(what), path, err);
        return false;
    };

    if (::fchmod(fd, mode) != 0) return fail("cannot set the mode of", errno);

    int putErr = 0;
    bool putFailed = false;
    Put put = [&](std::string_view chunk) {
        if (putFailed) return false;
        if (!writeAll(fd, chunk, &putErr)) putFailed = true;
        return !putFailed;
    };
    bool produced = producer ? producer(put) : false;
    if (putFailed) return fail("cannot write", putErr);
    if (!produced) return fail("the content could not be produced for", 0);

    if (::fsync(fd) != 0) return fail("cannot flush", errno);
    int rc = ::close(fd);
    fd = -1;
    if (rc != 0) return fail("cannot close", errno);
    if (::rename(tmp.c_str(), path.c_str()) != 0) return fail("cannot replace", errno);
    syncDirectory(dir);
    return true;
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

}  // namespace platform
