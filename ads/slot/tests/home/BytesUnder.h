#pragma once

// What the fresh home's tests weigh: the bytes of every regular file below a folder, however
// deep (0 for a folder that is not there).

#include <cstdint>
#include <filesystem>
#include <system_error>

namespace ads::testing {

inline std::uintmax_t bytesUnder(const std::filesystem::path& root) {
    std::uintmax_t bytes = 0;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        std::error_code fileError;
        if (it->is_regular_file(fileError)) bytes += it->file_size(fileError);
    }
    return bytes;
}

}  // namespace ads::testing
