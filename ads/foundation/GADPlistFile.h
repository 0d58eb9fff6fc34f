#pragma once

// A property-list file whose root must be a dictionary (the app store's metadata file, say).

#include <filesystem>
#include <optional>

#include "platform/base/Error.h"
#include "platform/base/Value.h"

namespace ads {

// The dictionary; nothing when the file cannot be read (the private error 1 "File could not be
// read."), does not parse (the parser's error) or holds another root (no error).
std::optional<platform::Value> GADDictionaryWithPlistFile(const std::filesystem::path& path,
                                                          platform::Error* error = nullptr);

}  // namespace ads
