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

// What reading a stored dictionary found. Missing, read, unreadable and damaged files are told
// apart because they call for different care: a missing file starts afresh; an unreadable one
// (permissions, I/O) may hold good data, so this run must not save over it; a damaged one (not
// a property list, no dictionary at its root, a FIFO, beyond our size limits) is moved aside
// as "<name>.corrupt-<time>" before anything replaces it, so nothing stored is lost.
struct StoredDictionary {
    enum class State { Missing, Read, Unreadable, Damaged };
    State state = State::Missing;
    platform::Value dictionary;  // when Read
    std::string reason;          // when Unreadable or Damaged
    std::string keptAs;          // when Damaged: where the file went

    bool mayBeSaved() const { return state != State::Unreadable; }
};
// Reads the file and logs, under `caller`, what is not Read or Missing. A damaged file that
// cannot be moved aside answers Unreadable: it must not be written over either.
StoredDictionary ReadStoredDictionary(const std::string& path, const std::string& caller);

// Writes the dictionary as a binary property list, atomically: on any failure the old file
// stays as it was and the answer is false.
bool WriteDictionaryToPlistFile(const std::string& path, const platform::Value& dictionary);

}  // namespace util
