#pragma once

// One announcement check: asks the service for the list, fetches the pictures it names into
// the cache, and keeps the list once every picture is there. It runs as a task on the
// manager's check queue (transfers block), touches the cache folder only through
// AnnounceCache, and answers what the main thread must take over; the manager posts that back
// to the main loop. It never calls into the app core: what it needs of it comes in Params.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace online {

class AnnounceCache;

class AnnounceCheck {
  public:
    // Lists and images are small; anything bigger is a broken or hostile server.
    static constexpr std::int64_t kMaxDownloadBytes = 4 * 1024 * 1024;
    // All pictures of one list together: a banner is a handful of small pictures, and a list
    // naming thousands of big ones would otherwise fill the disk one check at a time.
    static constexpr std::int64_t kMaxListImageBytes = 4 * kMaxDownloadBytes;
    // Before a list is accepted, a failed check may be retried after this many seconds.
    static constexpr double kRetryAfterFailure = 60;

    struct Params {
        uint32_t gameId = 0;
        std::string version;
        std::string arid;
        std::string secretKey;
        std::string announceCmdUrl;
        std::string tn;
        std::filesystem::path cacheDir;
        double previousCheckAt = 0;
    };

    struct Result {
        double nextCheckAfter = 0;
        // From a list that parsed, whether or not its pictures all arrived.
        std::optional<platform::Value> amProperties;
        std::optional<platform::Value> popupAdInfo;
        // The list and all its pictures are in the cache: the banner must be built again.
        bool listSaved = false;
    };

    // Runs the whole check; the schedule it leaves is recorded in the status file unless the
    // cache is shut down.
    static Result run(const Params& params, AnnounceCache& cache);

    // The body of a 200 answer of the announced length; nothing otherwise. `finalUrl` gets
    // the URL that answered.
    static std::optional<std::string> download(const std::string& url,
                                               std::string* finalUrl = nullptr);

  private:
    static void fetchListAndPictures(const Params& params, AnnounceCache& cache, Result& result);
};

}  // namespace online
