#pragma once

// The user's preferences: a dictionary of Values persisted as a binary property list under
// Library/Preferences (<bundle identifier>.plist for the standard instance).
//
// An absent key is distinguishable from false, 0 or an empty text: objectForKey answers
// nullopt, and hasKey tells. Registered defaults answer for keys never set, and are never
// written. Changes stay in memory until synchronize(), the instance's end or, for the standard
// instance, the program's normal exit.
//
// The file is written with mode 0600 (tokens and identifiers are kept here), also when an
// older file had wider permissions.
//
// All calls are thread-safe. A preferences file that cannot be read is moved aside as
// "<file>.corrupt-<time>" and reported, never silently overwritten; if it cannot be moved,
// synchronize() refuses to write over it. A file above kMaxFileBytes counts as damaged (it is
// never read into memory), and preferences that would grow beyond it are not saved.

#include <sys/types.h>

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Error.h"
#include "platform/base/Value.h"

namespace platform {

class UserDefaults {
  public:
    // The shared instance; its file is found at first use (or after resetStandardForTesting).
    static UserDefaults& standard();
    static std::filesystem::path standardFilePath();
    // Drops the standard instance's memory (unsaved changes included) so the next call reads
    // the file at the then current location.
    static void resetStandardForTesting();

    explicit UserDefaults(std::filesystem::path file);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    std::optional<Value> objectForKey(std::string_view key) const;
    bool hasKey(std::string_view key) const;
    // Setting a null value removes the key, as setting nil did. Values a property list cannot
    // hold (nulls inside containers, broken text) are refused with a log line: stored, they
    // would make every later save fail.
    bool setObject(std::string_view key, Value value);
    void removeObjectForKey(std::string_view key);

    // Typed reads: numbers and texts convert ("YES", "true", "12"), anything else (or nothing)
    // gives false, 0 or nullopt.
    bool boolForKey(std::string_view key) const;
    std::int64_t integerForKey(std::string_view key) const;
    double doubleForKey(std::string_view key) const;
    std::optional<std::string> stringForKey(std::string_view key) const;
    std::optional<Value::Array> arrayForKey(std::string_view key) const;
    std::optional<Value::Dictionary> dictionaryForKey(std::string_view key) const;
    std::optional<Value::Bytes> dataForKey(std::string_view key) const;

    void setBool(std::string_view key, bool v) { setObject(key, Value(v)); }
    void setInteger(std::string_view key, std::int64_t v) { setObject(key, Value(v)); }
    void setDouble(std::string_view key, double v) { setObject(key, Value(v)); }
    void setString(std::string_view key, std::string v) { setObject(key, Value(std::move(v))); }

    void registerDefaults(const Value::Dictionary& defaults);
    // Registered defaults overlaid with the stored values.
    Value dictionaryRepresentation() const;

    // Writes pending changes; true when the file now holds them.
    bool synchronize(Error* error = nullptr);

    // What the system's global domain held on the phone, from the locale environment
    // (LANGUAGE, LC_ALL, LC_MESSAGES, LANG): "AppleLanguages" (["de-DE", "en"]) and
    // "AppleLocale" ("de_DE"). Every instance answers them unless they were set; they are
    // never written.
    static Value::Dictionary globalDomain();

    // Why the file could not be read at load, if it could not.
    std::optional<Error> loadError() const;
    const std::filesystem::path& filePath() const { return file_; }

    // Preferences are a few kilobytes; a file of megabytes is damage or an attack.
    static constexpr std::size_t kMaxFileBytes = 4u * 1024 * 1024;

  private:
    static constexpr mode_t kFileMode = 0600;

    UserDefaults();

    void loadLocked() const;
    std::optional<Value> lookupLocked(std::string_view key) const;
    bool synchronizeLocked(Error* error);
    bool writeLocked(Error* error) const;
    void flushQuietly();

    mutable std::mutex mutex_;
    mutable std::filesystem::path file_;
    bool standard_ = false;
    mutable bool loaded_ = false;
    mutable bool writeBlocked_ = false;
    mutable std::optional<Error> loadError_;
    mutable Value::Dictionary values_;
    Value::Dictionary registered_;
    bool dirty_ = false;
};

}  // namespace platform
