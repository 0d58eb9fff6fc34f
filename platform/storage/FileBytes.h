#pragma once

// A stored file's bytes in and out with the storage errors callers compare: a missing file is
// told apart from one that cannot be read, and a failed write leaves the old file in place.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Error.h"
#include "platform/storage/AtomicFile.h"

namespace platform {

class FileBytes {
  public:
    // A file above maxBytes is refused as too large (kFileReadTooLarge).
    static std::optional<std::string> read(const std::filesystem::path& path, Error* error,
                                           std::size_t maxBytes = AtomicFile::kDefaultMaxRead);
    // Written atomically; the file ends up with exactly `mode`, whatever it had before.
    static bool write(const std::filesystem::path& path, std::string_view bytes, Error* error,
                      mode_t mode = 0644);
};

}  // namespace platform
