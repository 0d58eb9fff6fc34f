#pragma once

// The page message "precache": an ad's script has one resource (a video, typically) downloaded
// ahead into a private file and follows its progress. "src" names the web address to fetch
// (it replaces an earlier one, also while a download runs, without starting another); "abort"
// (any value) stops the download and deletes its file; a message with neither does nothing.
// One download per handler, so per ad page: a second "src" while one runs or after it finished
// starts nothing until an abort.
//
// The body goes straight, chunk by chunk, to a file in a folder of its own (a new UUID) in the
// SDK's temporary folder (GADDevice::temporaryPathWithCreation, emptied at start-up), named
// after the server's suggested file name made safe (safeFileName). After every step the page
// hears "onPrecacheEvent" with "bytesLoaded", "totalBytes" (-1 when the server announced no
// length), "event" ("precacheProgress", "precacheComplete" or "precacheCanceled"), "src" and
// "cachedSrc" (the file's URL, which the page may play from). The file stays until an abort or
// the handler's end, which delete it with its folder.
//
// Failures end the download with one "precacheCanceled" and nothing after it: a cache file that
// cannot be made or written, a transfer that fails, and a body past kMaxBytes (a larger
// announced length at once; the file is deleted). A second response of one download deletes
// the first file before the next is made.
//
// Threads: the download's state lives on the handler's own serial queue, which is also the
// connection's delegate queue; the action (main thread) hops there and waits, so an abort or
// the handler's end finds no callback writing any more once it returns. Events travel from the
// queue to the main loop in order and reach the ad view (held weakly: the first that sent a
// message) only while the handler lives.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "ads/web/GADGMSGHandler.h"

namespace platform {
class SerialQueue;
}

namespace ads {

class GADPrecacheGMSGHandler : public GADGMSGHandler {
    struct Private {};

  public:
    // 100 MiB: a page may not fill the disk.
    static constexpr std::int64_t kMaxBytes = std::int64_t{100} * 1024 * 1024;
    static constexpr std::size_t kMaxFileNameBytes = 200;

    // A smaller cap than kMaxBytes serves tests and pages of smaller resources.
    static std::shared_ptr<GADPrecacheGMSGHandler> create(std::int64_t maxBytes = kMaxBytes);
    explicit GADPrecacheGMSGHandler(Private);
    ~GADPrecacheGMSGHandler() override;

    const GADGMSGActionTable* actionBlockDictionary() const override;
    void didReceivePrecacheNotification(const GADGMSGActionInfo& info);

    // Main thread. Starts the download of the source URL unless one was started.
    void preload();
    // Stops and deletes the download, then reports "precacheCanceled" with the bytes it had.
    void abort();
    // Stops the download and deletes its file with its folder; answers the bytes written.
    std::int64_t lastBytesAfterCleanUp();

    // One safe name in a folder: the part after the last "/" or backslash, without control
    // characters, invalid UTF-8 or leading dots, at most kMaxFileNameBytes bytes (cut on a
    // character boundary, the extension kept); "download" when nothing is left.
    static std::string safeFileName(std::string_view suggested);

  private:
    class Download;

    std::weak_ptr<GADAdView> adView_;
    std::shared_ptr<platform::SerialQueue> queue_;
    std::shared_ptr<Download> download_;
};

}  // namespace ads
