#pragma once

// Whole-file writes that either land completely or leave the previous file as it was: the
// bytes go to a temporary file in the same directory, are flushed to disk, and only then
// replace the target by rename. A reader therefore sees the old file or the new one, never a
// torn mix, even when the program dies half-way.

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

    // Reads a whole regular file. Files above maxBytes are refused rather than read into
    // memory: everything we read is small, and a huge file there is damage or an attack.
    static constexpr std::size_t kDefaultMaxRead = 256u * 1024 * 1024;
    static std::optional<std::string> read(const std::filesystem::path& path,
                                           std::string* error = nullptr,
                                           std::size_t maxBytes = kDefaultMaxRead);
};

}  // namespace platform
