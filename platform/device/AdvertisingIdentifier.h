#pragma once

// The advertising identifier of this user: one random UUID for all the maker's programs, made
// on first use and kept with the user's tracking choice in a file of mode 0600 in the shared
// data folder (AppPaths::sharedData()/advertising-identifier.json).
//
// Tracking is limited unless the user allowed it: a desktop user never agreed to be followed
// by ads. It is allowed by the stored flag or by MOVUROUTE_LIMIT_AD_TRACKING=0; "=1" limits it
// again whatever the file says. The environment and the file are read at every call, so a
// change by another of the maker's programs (or a test that moves MOVUROUTE_SHARED_HOME) is
// seen at once.
//
// Several programs may ask for the first time at the same moment: the file is created by
// linking a finished temporary file into place, which only one of them can win; the others
// read the winner's identifier. Changes of the flag replace the file atomically under a lock.
// A damaged file is moved aside ("<file>.corrupt-<time>") and a new identifier made. When the
// folder cannot be written, or the shared folder is a link or someone else's, the identifier
// lives for this run only and tracking stays limited.
//
// Thread-safe. Tests set an identifier and a flag (setOverrideForTesting), and then no file is
// touched.

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "platform/base/Uuid.h"

namespace platform {

class AdvertisingIdentifier {
  public:
    struct Record {
        Uuid identifier;
        bool trackingEnabled = false;
    };

    static AdvertisingIdentifier& shared();
    // The file of the shared instance, resolved at every call.
    static std::filesystem::path defaultFilePath();

    // Empty: the default file, resolved at each call.
    explicit AdvertisingIdentifier(std::filesystem::path file = {});
    AdvertisingIdentifier(const AdvertisingIdentifier&) = delete;
    AdvertisingIdentifier& operator=(const AdvertisingIdentifier&) = delete;

    Uuid advertisingIdentifier();
    // The stored choice, then the environment.
    bool isAdvertisingTrackingEnabled();
    // Stores the user's choice with the identifier; false when it could not be stored.
    bool setAdvertisingTrackingEnabled(bool enabled);

    // Tests: while set, answers these and never touches a file (a missing flag reads as
    // limited, a missing identifier as the null UUID). Process-wide; nullopt clears it.
    struct Override {
        std::optional<Uuid> identifier;
        std::optional<bool> trackingEnabled;
    };
    static void setOverrideForTesting(std::optional<Override> override);

    // The stored text's record, or nullopt when it is not one of ours (exposed for tests
    // and the fuzzer: the file is shared with other programs and may hold anything).
    static std::optional<Record> parse(std::string_view text);
    static std::string serialize(const Record& record);

    std::filesystem::path filePath() const;

  private:
    // Makes the file's folder; the shared folder of the default file only when it is private
    // to us (no link, not someone else's).
    bool prepareFolder(const std::filesystem::path& file, std::string* why) const;
    // The stored record, made when there is none. `lockHeld`: the caller holds the file lock.
    Record loadOrCreate(bool lockHeld);

    std::filesystem::path file_;
    std::mutex mutex_;
    // Used when nothing can be stored, so the identifier holds at least for this run.
    std::optional<Uuid> ephemeral_;
};

}  // namespace platform
