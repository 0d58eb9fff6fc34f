#include "ads/web/GADPrecacheGMSGHandler.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>

#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADURLRequestUtilities.h"
#include "ads/foundation/GADURLUtilities.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADPageLog.h"
#include "platform/base/Unicode.h"
#include "platform/base/Uuid.h"
#include "platform/net/Connection.h"
#include "platform/net/ReceiveWindow.h"
#include "platform/net/UrlError.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/ThreadChecker.h"

namespace ads {

namespace fs = std::filesystem;
using platform::Value;

namespace {

constexpr const char* kProgress = "precacheProgress";
constexpr const char* kComplete = "precacheComplete";
constexpr const char* kCanceled = "precacheCanceled";

// The longest extension kept whole when a name is cut.
constexpr std::size_t kMaxExtensionBytes = 16;

// Drops control characters and bytes that are no UTF-8 character; keeps whole characters.
std::string printableCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = platform::utf8SequenceLength(text, i);
        if (length == 0) {
            ++i;
            continue;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (length > 1 || (c >= 0x20 && c != 0x7F)) out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

// The longest prefix of at most `limit` bytes that ends on a character boundary of valid UTF-8.
std::string_view cutOnCharacter(std::string_view text, std::size_t limit) {
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t length = platform::utf8SequenceLength(text, end);
        if (length == 0 || end + length > limit) break;
        end += length;
    }
    return text.substr(0, end);
}

}  // namespace

// The download, on the handler's queue: everything below runs there, including the connection's
// calls. It holds its handler weakly and reports through it on the main loop.
class GADPrecacheGMSGHandler::Download : public platform::ConnectionDelegate,
                                         public std::enable_shared_from_this<Download> {
  public:
    Download(std::weak_ptr<GADPrecacheGMSGHandler> owner,
             std::shared_ptr<platform::SerialQueue> queue, fs::path temporaryRoot,
             std::shared_ptr<platform::ReceiveWindow> window)
        : owner_(std::move(owner)),
          queue_(std::move(queue)),
          root_(std::move(temporaryRoot)),
          window_(std::move(window)) {}
    ~Download() override { closeFile(); }

    void setSource(const platform::Url& url, platform::UrlRequest request) {
        sourceURL_ = url;
        request_ = std::move(request);
    }

    void preload() {
        if (!sourceURL_ || !request_ || started_) return;
        // An abort lets the next source start, and a page could abort and start again for as
        // long as it runs: each start is a fetch and a file.
        if (starts_ >= kMaxDownloadsPerHandler) {
            log("Ad precache: this page has started as many downloads as a page may; nothing "
                "more is fetched.");
            return;
        }
        ++starts_;
        connection_ = platform::Connection::create(*request_, weak_from_this());
        // Chunks wait on this queue until they are in the file: the window keeps a server
        // faster than the disk from piling them up in memory, and stops the body at the cap
        // as it arrives rather than once the queue has caught up with it.
        connection_->setReceiveWindow(window_);
        connection_->setDelegateQueue(
            [queue = queue_](std::function<void()> task) { queue->async(std::move(task)); });
        connection_->start();
        started_ = true;
    }

    std::int64_t cleanUp() {
        stopConnection();
        const std::int64_t bytes = bytes_;
        closeFile();
        removeFolder();
        started_ = false;
        return bytes;
    }

    void abort() {
        const std::int64_t bytes = cleanUp();
        report(bytes, kCanceled);
    }

    // Connection

    std::optional<platform::UrlRequest> connectionWillSendRequest(
        platform::Connection&, const platform::UrlRequest& request,
        const platform::UrlResponse*) override {
        // Only web addresses are fetched, also after a redirect.
        if (!gad_isWebURL(request.url())) return std::nullopt;
        return request;
    }

    void connectionDidReceiveResponse(platform::Connection&,
                                      const platform::UrlResponse& response) override {
        // A second response starts the body again: the first one's file goes.
        closeFile();
        removeFolder();
        cachedURL_.reset();
        bytes_ = 0;
        expectedDataLength_ = response.expectedContentLength;
        // An error page, or a redirect we refused to follow, is not the resource: caching
        // its body and calling that complete would have the page play it.
        if (response.statusCode < 200 || response.statusCode > 299) {
            log("Ad precache: the server answered " + std::to_string(response.statusCode) +
                "; the download stops.");
            cancel(0);
            return;
        }
        if (expectedDataLength_ > window_->limit()) {
            cancel(0);
            return;
        }
        if (!makeFile(response.suggestedFilename())) {
            cancel(0);
            return;
        }
        report(0, kProgress);
    }

    void connectionDidReceiveData(platform::Connection&,
                                  const std::vector<std::uint8_t>& data) override {
        if (fd_ < 0) return;
        std::size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                log("Ad precache: the cache file could not be written; the download stops.");
                cancel(bytes_);
                return;
            }
            done += static_cast<std::size_t>(n);
            bytes_ += n;
        }
        report(bytes_, kProgress);
    }

    void connectionDidFinishLoading(platform::Connection&) override {
        connection_.reset();
        closeFile();
        report(bytes_, kComplete);
    }

    void connectionDidFailWithError(platform::Connection&, const platform::Error& error) override {
        // The body ran past the cap: what came is no use and goes.
        if (error.is(platform::kUrlErrorDomain, platform::kUrlErrorDataLengthExceedsMaximum)) {
            cancel(bytes_);
            return;
        }
        connection_.reset();
        closeFile();
        report(bytes_, kCanceled);
    }

  private:
    bool makeFile(const std::string& suggested) {
        std::error_code error;
        fs::path folder = root_ / platform::Uuid::random().toString();
        fs::create_directories(folder, error);
        if (error) {
            log("Ad precache: no folder for the cache file; the download stops.");
            return false;
        }
        folder_ = folder;
        const std::string name = safeFileName(suggested);
        const fs::path file = folder / name;
        fd_ = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd_ < 0) {
            log("Ad precache: the cache file could not be made; the download stops.");
            cachedURL_.reset();
            removeFolder();
            return false;
        }
        cachedURL_ = cachedFileURL(folder.filename().string(), name);
        return true;
    }

    // Ends the download where it is: no event after this one.
    void cancel(std::int64_t bytes) {
        stopConnection();
        closeFile();
        removeFolder();
        started_ = false;
        report(bytes, kCanceled);
    }

    void stopConnection() {
        if (!connection_) return;
        connection_->cancel();
        connection_.reset();
    }

    void closeFile() {
        if (fd_ < 0) return;
        ::close(fd_);
        fd_ = -1;
    }

    void removeFolder() {
        if (folder_.empty()) return;
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        folder_.clear();
    }

    // A line the page's download caused: out of the page's log budget, on the main thread
    // where its ad view lives.
    void log(std::string line) {
        platform::MainLoop::main().post([owner = owner_, line = std::move(line)] {
            auto handler = owner.lock();
            GADPageLog::write(handler ? handler->adView_.lock().get() : nullptr, line);
        });
    }

    void report(std::int64_t bytes, const char* event) {
        Value::Dictionary info{
            {"bytesLoaded", Value(bytes)},
            {"totalBytes", Value(expectedDataLength_)},
            {"event", Value(event)},
            {"src", Value(sourceURL_ ? sourceURL_->absoluteString() : std::string())},
            {"cachedSrc", Value(cachedURL_ ? cachedURL_->absoluteString() : std::string())},
        };
        platform::MainLoop::main().post([owner = owner_, info = std::move(info)] {
            auto handler = owner.lock();
            auto view = handler ? handler->adView_.lock() : nullptr;
            if (view) view->postJSNotification("onPrecacheEvent", &info);
        });
    }

    const std::weak_ptr<GADPrecacheGMSGHandler> owner_;
    const std::shared_ptr<platform::SerialQueue> queue_;
    const fs::path root_;
    const std::shared_ptr<platform::ReceiveWindow> window_;
    std::optional<platform::Url> sourceURL_;
    std::optional<platform::UrlRequest> request_;
    std::optional<platform::Url> cachedURL_;
    fs::path folder_;
    bool started_ = false;
    std::size_t starts_ = 0;
    std::shared_ptr<platform::Connection> connection_;
    int fd_ = -1;
    std::int64_t bytes_ = 0;
    std::int64_t expectedDataLength_ = 0;
};

std::shared_ptr<GADPrecacheGMSGHandler> GADPrecacheGMSGHandler::create(
    std::int64_t maxBytes, std::shared_ptr<platform::SerialQueue> queue) {
    MOVU_CHECK_MAIN_THREAD();
    auto handler = std::make_shared<GADPrecacheGMSGHandler>(Private{}, std::move(queue));
    handler->window_ = std::make_shared<platform::ReceiveWindow>(kMaxQueuedBytes, maxBytes);
    handler->download_ =
        std::make_shared<Download>(handler, handler->queue_, cacheFolder(), handler->window_);
    return handler;
}

GADPrecacheGMSGHandler::GADPrecacheGMSGHandler(Private,
                                               std::shared_ptr<platform::SerialQueue> queue)
    : queue_(queue ? std::move(queue)
                   : std::make_shared<platform::SerialQueue>("com.zivivu.durez.precache")) {}

std::filesystem::path GADPrecacheGMSGHandler::cacheFolder() {
    return GADDevice::sharedInstance()->temporaryPathWithCreation(false);
}

platform::Url GADPrecacheGMSGHandler::cachedFileURL(const std::string& folder,
                                                    const std::string& name) {
    return platform::Url::fileUrl("/" + folder + "/" + name);
}

std::int64_t GADPrecacheGMSGHandler::queuedBytes() const {
    return window_->waitingBytes();
}

std::int64_t GADPrecacheGMSGHandler::peakQueuedBytes() const {
    return window_->peakWaitingBytes();
}

std::int64_t GADPrecacheGMSGHandler::receivedBytes() const {
    return window_->receivedBytes();
}

GADPrecacheGMSGHandler::~GADPrecacheGMSGHandler() {
    // Waits for the callback that may be writing; the file goes with its folder.
    if (download_) queue_->sync([download = download_] { download->cleanUp(); });
}

const GADGMSGActionTable* GADPrecacheGMSGHandler::actionBlockDictionary() const {
    static const GADGMSGActionTable table{
        {"precache", action(&GADPrecacheGMSGHandler::didReceivePrecacheNotification)},
    };
    return &table;
}

void GADPrecacheGMSGHandler::didReceivePrecacheNotification(const GADGMSGActionInfo& info) {
    MOVU_CHECK_MAIN_THREAD();
    if (!adView_.lock()) adView_ = info.adView;
    if (!info.note) return;
    const auto src = info.note->parameter("src");
    // Only a web address is fetched; anything else leaves the source as it was.
    const auto url = src ? gad_webURLFromString(*src) : std::nullopt;
    // The request reads the device's agent, which is the main thread's to ask for.
    const auto request = url ? gad_requestForURL(url) : std::nullopt;
    const bool abort = info.note->parameter("abort").has_value();
    const bool preload = !abort && src.has_value();
    queue_->sync([download = download_, url, request, abort, preload] {
        if (url && request) download->setSource(*url, *request);
        if (abort)
            download->abort();
        else if (preload)
            download->preload();
    });
}

void GADPrecacheGMSGHandler::preload() {
    MOVU_CHECK_MAIN_THREAD();
    queue_->sync([download = download_] { download->preload(); });
}

void GADPrecacheGMSGHandler::abort() {
    MOVU_CHECK_MAIN_THREAD();
    queue_->sync([download = download_] { download->abort(); });
}

std::int64_t GADPrecacheGMSGHandler::lastBytesAfterCleanUp() {
    MOVU_CHECK_MAIN_THREAD();
    std::int64_t bytes = 0;
    queue_->sync([download = download_, &bytes] { bytes = download->cleanUp(); });
    return bytes;
}

std::string GADPrecacheGMSGHandler::safeFileName(std::string_view suggested) {
    const auto slash = suggested.find_last_of("/\\");
    if (slash != std::string_view::npos) suggested.remove_prefix(slash + 1);
    std::string name = printableCharacters(suggested);
    const auto firstKept = name.find_first_not_of('.');
    name.erase(0, firstKept == std::string::npos ? name.size() : firstKept);
    if (name.empty()) return "download";
    if (name.size() <= kMaxFileNameBytes) return name;

    std::string_view whole(name);
    std::string_view extension;
    const auto dot = whole.rfind('.');
    if (dot != std::string_view::npos && whole.size() - dot <= kMaxExtensionBytes)
        extension = whole.substr(dot);
    std::string out(cutOnCharacter(whole.substr(0, whole.size() - extension.size()),
                                   kMaxFileNameBytes - extension.size()));
    out.append(extension);
    return out;
}

}  // namespace ads
