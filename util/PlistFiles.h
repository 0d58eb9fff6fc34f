#pragma once

#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace util {

// The app's Documents folder (created when missing).
std::string DocumentsDirectoryPath();
// Documents/<name>. With create, the folder is made (with its parents) unless it already is
// one; empty when that fails, when a file is in the way, or when the name would leave the
// Documents folder.
std::optional<std::string> DocumentsSubdirectoryPath(const std::string& name, bool create);

// The dictionary stored in a property-list file of any format; empty when the file is
// missing, unreadable, not a property list or not a dictionary at its root.
std::optional<platform::Value> ReadDictionaryFromPlistFile(const std::string& path);
// Writes the dictionary as a binary property list, atomically: on any failure the old file
// stays as it was and the answer is false.
bool WriteDictionaryToPlistFile(const std::string& path, const platform::Value& dictionary);

}  // namespace util
