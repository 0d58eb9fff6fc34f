#pragma once

// The page message "precache": an ad's script has one resource (a video, typically) downloaded
// ahead into a private file and follows its progress. "src" names the web address to fetch
// (it replaces an earlier one, also while a download runs, without starting another); "abort"
// (any value) stops the download and deletes its file; a message with neither does nothing.
// One download per handler, so per ad page: a second "src" while one runs or after it finished
// starts nothing until an abort. At most kMaxDownloadsPerHandler downloads start in all (a page
// that aborts and starts again in a loop makes no more fetches and files); a start past them
// is refused with a line out of the page's log budget (GADPageLog), as every line a download
// writes is.
//
// The body goes straight, chunk by chunk, to a file in a folder of its own (a new UUID) in the
// SDK's temporary folder (cacheFolder(): GADDevice::temporaryPathWithCreation, emptied at
// start-up), named after the server's suggested file name made safe (safeFileName). After every
// step the page hears "onPrecacheEvent" with "bytesLoaded", "totalBytes" (-1 when the server
// announced no length), "event" ("precacheProgress", "precacheComplete" or "precacheCanceled"),
// "src" and "cachedSrc". "cachedSrc" is a file URL of the file's place inside the cache folder,
// "file:///<UUID>/<name>": the page is a stranger's and has no business learning where the
// user's home is (its path names the user); the video player plays such a URL from the cache
// folder. The file stays until an abort or the handler's end, which delete it with its folder.
//
// Failures end the download with one "precacheCanceled" and nothing after it: an answer that
// is not a success (an error page, a redirect that was refused: no file is made), a cache file
// that cannot be made or written, a transfer that fails, and a body past the cap (a larger
// announced length at once; otherwise the transfer stops as the bytes past it arrive, and the
// file is deleted). A second response of one download deletes the first file before the next
// is made.
//
// Memory: chunks wait on the handler's queue until they are in the file. At most
// kMaxQueuedBytes wait: beyond that the transfer pauses until the file has caught up, so a
// server faster than the disk costs no more memory than that.
//
// Threads: the download's state lives on the handler's own serial queue, which is also the
// connection's delegate queue; the action (main thread) hops there and waits, so an abort or
// the handler's end finds no callback writing any more once it returns. Events travel from the
// queue to the main loop in order and reach the ad view (held weakly: the first that sent a
// message) only while the handler lives.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "ads/web/GADGMSGHandler.h"
#include "platform/base/Url.h"

namespace platform {
class ReceiveWindow;
class SerialQueue;
}  // namespace platform

namespace ads {

class GADPrecacheGMSGHandler : public GADGMSGHandler {
    struct Private {};

  public:
    // 100 MiB: a page may not fill the disk.
    static constexpr std::int64_t kMaxBytes = std::int64_t{100} * 1024 * 1024;
    // Read but not yet written, at most (give or take one chunk of the network's).
    static constexpr std::int64_t kMaxQueuedBytes = std::int64_t{1} * 1024 * 1024;
    static constexpr std::size_t kMaxFileNameBytes = 200;
    // A creative precaches its video, and may start again after a failure or a change of
    // quality; past this many it is fetching in a loop.
    static constexpr std::size_t kMaxDownloadsPerHandler = 8;

    // A smaller cap than kMaxBytes serves tests and pages of smaller resources. The download
    // runs on the given serial queue, or on one of its own.
    static std::shared_ptr<GADPrecacheGMSGHandler> create(
        std::int64_t maxBytes = kMaxBytes, std::shared_ptr<platform::SerialQueue> queue = nullptr);
    GADPrecacheGMSGHandler(Private, std::shared_ptr<platform::SerialQueue> queue);
    ~GADPrecacheGMSGHandler() override;

    // Where every handler's downloads land, each in a folder of its own.
    static std::filesystem::path cacheFolder();

    // Body bytes read from the network and not yet in the file: now, and the most so far; and
    // every body byte read. Any thread.
    std::int64_t queuedBytes() const;
    std::int64_t peakQueuedBytes() const;
    std::int64_t receivedBytes() const;

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

    // What the page is told of a file: its place in the cache folder.
    static platform::Url cachedFileURL(const std::string& folder, const std::string& name);

    std::weak_ptr<GADAdView> adView_;
    std::shared_ptr<platform::SerialQueue> queue_;
    std::shared_ptr<platform::ReceiveWindow> window_;
    std::shared_ptr<Download> download_;
};

}  // namespace ads
