#pragma once

// The announcement cache folder (<tmp>/quorvel_announce_cache_<game id>): the list, its
// pictures and "status.plist". Every read and write of those files runs on one serial queue,
// so the check's writes, the banner's reads and the pop-up's status update never overlap,
// and nothing else in the program needs a lock for them.
//
// Every call waits for its task on the queue (a sync), so callers see its effect at once. The
// tasks are file operations only, never network transfers, so a caller on the main thread
// waits for a few file writes at most. Calls may come from any thread except the queue's own.
//
// After shutdown() no write starts until resume(): the app may be stopped in the background
// at any moment, and a half-written cache must not survive it. Reads still run.
//
// The cache keeps its own copy of the status record, so every status write holds the latest
// of each part: the schedule and settings from the check, the pop-up serial from the main
// thread.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.h"
#include "platform/runtime/SerialQueue.h"

namespace online {

class AnnounceCache {
  public:
    static constexpr const char* kStatusFileName = "status.plist";
    static constexpr const char* kAnnounceFileName = "announce.plist";
    // Every file of the cache: the list, its pictures and the status record.
    static constexpr mode_t kFileMode = 0600;

    struct Status {
        double nextCheckAfter = 0;
        double previousCheckAt = 0;
        int32_t popupAdDoneSerial = 0;
        std::optional<platform::Value> amProperties;
        std::optional<platform::Value> popupAdInfo;
        // The announcement address the schedule was made for ("checkedUrl"). A schedule holds
        // only for that service: another one is asked at once. Empty in files written before
        // the key existed, whose schedule holds as it always did.
        std::optional<std::string> checkedUrl;
    };

    AnnounceCache();
    AnnounceCache(const AnnounceCache&) = delete;
    AnnounceCache& operator=(const AnnounceCache&) = delete;

    void shutdown();
    void resume();
    bool isShutdown() const;
    // Back to a fresh process: writes allowed, no status known.
    void reset();

    // Reads "status.plist" into the cache's copy (parts of the wrong kind keep the copy's
    // value) and answers the copy. A missing or unreadable file leaves the copy as it was.
    Status loadStatus(const std::filesystem::path& dir);
    // The pop-up of `serial` was shown: remembered across launches. False when refused.
    bool recordPopupShown(const std::filesystem::path& dir, int32_t serial);
    // The end of a check of `checkedUrl`: its schedule, and its settings when it read a list.
    // False when refused or not written.
    bool recordCheck(const std::filesystem::path& dir, const std::string& checkedUrl,
                     double previousCheckAt, double nextCheckAfter,
                     std::optional<platform::Value> amProperties,
                     std::optional<platform::Value> popupAdInfo);

    // Size of a cached file, empty when there is none.
    std::optional<std::uintmax_t> sizeOf(const std::filesystem::path& dir,
                                         const std::string& name) const;
    // At most `maxBytes` of a cached file; empty when missing, unreadable or larger.
    std::optional<std::string> read(const std::filesystem::path& dir, const std::string& name,
                                    std::int64_t maxBytes) const;
    // Writes a file private to the user (0600), atomically. False when refused or failed
    // (`error` says why when it failed).
    bool write(const std::filesystem::path& dir, const std::string& name, const std::string& bytes,
               std::string* error = nullptr);
    // Writes the list, then removes every plain file and link of the folder that is neither
    // hidden nor named in `keep` (the list and the status file are always kept).
    bool commitList(const std::filesystem::path& dir, const std::string& listBytes,
                    std::vector<std::string> keep, std::string* error = nullptr);
    // Removes the folder's plain files and links, except hidden ones. Refused after shutdown.
    void deleteFiles(const std::filesystem::path& dir);

  private:
    struct State;
    // Touched only by tasks on queue_.
    std::shared_ptr<State> state_;
    mutable platform::SerialQueue queue_;
};

}  // namespace online
