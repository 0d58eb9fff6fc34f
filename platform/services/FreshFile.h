#pragma once

// Files the services make for the user (album pictures, calendar events) under names of our
// own: "<stem>-<time>-<counter><extension>" in the folder (made when missing), written
// atomically and never over a file that is there, so neither a page nor a second save can
// choose or replace what is stored. The folder itself must be a real folder of this user's
// (AppPaths::ensureOwnDirectory): a link there is refused and nothing is written through it.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform::services {

// The file written, or none with the reason in *error.
std::optional<std::filesystem::path> createFreshFile(const std::filesystem::path& folder,
                                                     std::string_view stem,
                                                     std::string_view extension,
                                                     std::string_view bytes,
                                                     std::string* error = nullptr);

}  // namespace platform::services
