#pragma once

// An exclusive lock for a read-change-write of a file that is only ever replaced whole (by
// rename, as AtomicFile does): a lock on the file itself would guard the old copy, so the lock
// lies on a companion, "<file>.lock", created 0600 when missing and left in place. It holds
// between processes (flock) and between two FileLocks of one process; readers that take the
// file whole need none. The companion is never reached through a link, so one planted there
// cannot make us create or lock a file elsewhere.
//
//   auto lock = FileLock::creatingFolder(file, &why);
//   if (!lock) return fail(why);
//   ... read, change, AtomicFile::write ...

#include <filesystem>
#include <optional>
#include <string>

namespace platform {

class FileLock {
  public:
    // Waits for the lock; held() says whether it was had.
    explicit FileLock(const std::filesystem::path& file, std::string* why = nullptr);
    // The same, after making the file's folder (0700) should it be missing: for a writer that
    // may be the file's first. Nothing (and why) when the folder or the lock cannot be had.
    static std::optional<FileLock> creatingFolder(const std::filesystem::path& file,
                                                  std::string* why = nullptr);
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&&) = delete;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return fd_ >= 0; }
    static std::filesystem::path lockPathFor(const std::filesystem::path& file);

  private:
    int fd_ = -1;
};

}  // namespace platform
