#pragma once

// Whole-file writes that either land completely or leave the previous file as it was: the
// bytes go to a temporary file in the same directory, are flushed to disk, and only then
// replace the target by rename. A reader therefore sees the old file or the new one, never a
// torn mix, even when the program dies half-way.
//
// A program killed half-way leaves its temporary file behind (".<name>.tmp-XXXXXX"). The first
// write into a folder in each process (or the first use of one of the home's folders) removes
// such leftovers: only names of exactly that
// pattern, only plain files of this user's, only those untouched for a minute, and only those
// no live writer holds (a writer keeps its temporary file locked until it is in place).

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class AtomicFile {
  public:
    // Hands chunks to the file; answers false when a chunk could not be written.
    using Put = std::function<bool(std::string_view chunk)>;
    // Writes the content through put; answering false (or a failed put) abandons the write.
    using Producer = std::function<bool(const Put& put)>;

    static bool write(const std::filesystem::path& path, std::string_view bytes,
                      std::string* error = nullptr, mode_t mode = 0644);
    static bool write(const std::filesystem::path& path, const Producer& producer,
                      std::string* error = nullptr, mode_t mode = 0644);
    // Like write, for a file that must not be there yet: the new file is linked into place, so
    // of two processes creating it at once exactly one wins. False with `*errorNumber` EEXIST
    // when the file was there (or another won); other failures give their errno.
    static bool create(const std::filesystem::path& path, std::string_view bytes,
                       std::string* error = nullptr, mode_t mode = 0644,
                       int* errorNumber = nullptr);

    // Removes the leftovers of killed writes in the folder, as described above. Does its work
    // once per folder and process (every write calls it; so does AppPaths for the home's
    // folders, which a run may only read).
    static void removeStaleTemporaries(const std::filesystem::path& dir);
    // Whether a file name is one of our temporary files: "." + a name + ".tmp-" + six letters
    // or digits, as mkstemp makes them.
    static bool isTemporaryName(std::string_view fileName);
    // Leftovers older than this are removed.
    static constexpr int kStaleTemporarySeconds = 60;

    // Reads a whole regular file. Files above maxBytes are refused rather than read into
    // memory: everything we read is small, and a huge file there is damage or an attack.
    static constexpr std::size_t kDefaultMaxRead = 256u * 1024 * 1024;
    static std::optional<std::string> read(const std::filesystem::path& path,
                                           std::string* error = nullptr,
                                           std::size_t maxBytes = kDefaultMaxRead);

    // Moves a damaged file out of the way of the next save, as "<name>.corrupt-<time>" beside
    // it (with "-2", "-3", ... when that name is taken: an earlier damaged copy is never
    // replaced). A regular file is made 0600 first, whatever mode it had. Answers the
    // new path, or nothing with the reason.
    static std::optional<std::filesystem::path> moveAside(const std::filesystem::path& path,
                                                          std::string* error = nullptr);
};

}  // namespace platform
