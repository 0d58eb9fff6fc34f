#include "ads/foundation/GADCachedFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <system_error>

#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADInternalError.h"
#include "ads/foundation/GADURLUtilities.h"
#include "platform/base/Unicode.h"
#include "platform/net/Connection.h"
#include "platform/net/HttpDate.h"
#include "platform/runtime/Clock.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/StorageError.h"

namespace ads {

namespace {

constexpr const char* kLocalDirectoryName = "@local";
constexpr const char* kCacheBusterKey = "unique";

std::optional<platform::Date> modificationDate(const std::filesystem::path& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return platform::Date{static_cast<double>(st.st_mtim.tv_sec) +
                          static_cast<double>(st.st_mtim.tv_nsec) / 1e9};
}

bool setModificationDate(const std::filesystem::path& path, platform::Date date) {
    if (!std::isfinite(date.secondsSince1970)) return false;
    const double whole = std::floor(date.secondsSince1970);
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;  // the access time stays
    times[1].tv_sec = static_cast<time_t>(whole);
    times[1].tv_nsec = static_cast<long>((date.secondsSince1970 - whole) * 1e9);
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

}  // namespace

std::shared_ptr<GADCachedFile> GADCachedFile::createWithURL(platform::Url url) {
    return std::make_shared<GADCachedFile>(Private{}, std::move(url));
}

GADCachedFile::GADCachedFile(Private, platform::Url url)
    : sourceURL_(std::move(url)), HTTPDestinationURL_(sourceURL_) {}

GADCachedFile::~GADCachedFile() {
    if (connection_) connection_->cancel();
}

std::optional<std::string> GADCachedFile::directoryNameForHost(std::string_view host) {
    if (host.empty()) return std::string(kLocalDirectoryName);
    // The host was percent-decoded: it may be anything a URL can spell.
    if (host == "." || host == ".." || host.size() > kMaxHostBytes) return std::nullopt;
    for (char c : host) {
        if (c == '/' || c == '\\' || c == '\0') return std::nullopt;
    }
    return std::string(host);
}

std::string GADCachedFile::fileNameForURLString(std::string_view text) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    char name[24];
    std::snprintf(name, sizeof name, "%llx", static_cast<unsigned long long>(hash));
    return name;
}

const std::filesystem::path& GADCachedFile::filePath() {
    if (!filePath_) {
        filePath_.emplace();
        const std::filesystem::path caches = platform::AppPaths::caches();
        auto directory = directoryNameForHost(sourceURL_.host());
        if (!caches.empty() && directory) {
            *filePath_ = caches / *directory / fileNameForURLString(sourceURL_.absoluteString());
        }
    }
    return *filePath_;
}

bool GADCachedFile::fileExists() {
    std::error_code ec;
    return !filePath().empty() && std::filesystem::is_regular_file(filePath(), ec);
}

std::optional<std::string> GADCachedFile::contentAsString() {
    if (filePath().empty()) return std::nullopt;
    auto bytes = platform::AtomicFile::read(filePath(), nullptr, kMaxBytes);
    if (!bytes || !platform::isValidUtf8(*bytes)) return std::nullopt;
    return bytes;
}

std::optional<std::string> GADCachedFile::fileModificationRFC1123DateString() {
    auto date = modificationDate(filePath());
    if (!date) return std::nullopt;
    std::string text = platform::formatHttpDate(*date);
    if (text.empty()) return std::nullopt;
    return text;
}

void GADCachedFile::validate() {
    if (!connection_) beginFetchWithCacheBuster(false);
}

void GADCachedFile::validateWithCacheBuster() {
    if (!connection_) beginFetchWithCacheBuster(true);
}

void GADCachedFile::beginFetchWithCacheBuster(bool cacheBuster) {
    // The delegate may drop us while it hears of a failure.
    auto self = shared_from_this();
    cleanUpConnection();
    if (filePath().empty()) {
        // No place for the file: a host that cannot be a folder name, or no Caches folder.
        tellDidFail(gad_errorWithCode(GADInternalErrorCode::InvalidArgument));
        return;
    }
    platform::Url url = sourceURL_;
    if (cacheBuster) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.0f",
                      platform::Date{platform::Clock::wallSeconds()}.secondsSinceReferenceDate());
        auto busted = gad_appendQueryValue(url, std::string(seconds), kCacheBusterKey);
        if (busted) url = *busted;
        cachePolicy_ = platform::UrlRequestCachePolicy::ReloadIgnoringLocalCacheData;
    }
    platform::UrlRequest request(url, cachePolicy_);
    request.setHttpShouldHandleCookies(true);
    if (auto agent = GADDevice::sharedInstance()->userAgentString()) request.setUserAgent(*agent);
    if (auto date = fileModificationRFC1123DateString()) {
        request.setValueForHttpHeaderField(*date, "If-Modified-Since");
    }
    HTTPDestinationURL_ = url;
    connection_ = platform::Connection::create(std::move(request), weak_from_this());
    connection_->setMaxBytes(kMaxBytes);
    receivedData_.clear();
    connection_->start();
}

void GADCachedFile::cancel() {
    cleanUpConnection();
}

void GADCachedFile::invalidate() {
    cleanUpConnection();
    if (!filePath().empty()) {
        std::error_code ignored;
        std::filesystem::remove(filePath(), ignored);
    }
}

std::string GADCachedFile::description() {
    char head[96];
    std::snprintf(head, sizeof head, "<GADCachedFile: %p> HTTP code: %lld",
                  static_cast<const void*>(this), static_cast<long long>(HTTPStatusCode_));
    return std::string(head) + "\n\turl: " + sourceURL_.absoluteString() +
           "\n\tfile: " + filePath().string();
}

platform::Value GADCachedFile::headersForResponse(const platform::UrlResponse& response) {
    return response.headers.toValue();
}

// --- the connection's events ---

std::optional<platform::UrlRequest> GADCachedFile::connectionWillSendRequest(
    platform::Connection&, const platform::UrlRequest& request,
    const platform::UrlResponse* redirectResponse) {
    auto self = shared_from_this();
    if (redirectResponse) {
        HTTPStatusCode_ = redirectResponse->statusCode;
        HTTPHeaders_ = redirectResponse->headers;
        if (auto delegate = delegate_.lock()) {
            if (auto error = delegate->cachedFileShouldRedirectToURL(*this, request.url())) {
                // The destination stays the last URL we went to: a tracker reports it.
                cleanUpConnection();
                tellDidFail(*error);
                return std::nullopt;
            }
            // The delegate may have stopped us itself.
            if (!connection_) return std::nullopt;
        }
    }
    HTTPDestinationURL_ = request.url();
    return request;
}

void GADCachedFile::connectionDidReceiveResponse(platform::Connection&,
                                                 const platform::UrlResponse& response) {
    auto self = shared_from_this();
    HTTPStatusCode_ = response.statusCode;
    HTTPHeaders_ = response.headers;
    if (response.statusCode == 304) {
        cleanUpConnection();
        tellDidEnd();
        return;
    }
    if (response.statusCode < 200 || response.statusCode > 299) {
        cleanUpConnection();
        tellDidFail(std::nullopt);
        return;
    }
    receivedModificationDate_ = response.headers.value("Last-Modified");
    receivedData_.clear();
}

void GADCachedFile::connectionDidReceiveData(platform::Connection&,
                                             const std::vector<std::uint8_t>& data) {
    receivedData_.insert(receivedData_.end(), data.begin(), data.end());
}

void GADCachedFile::connectionDidFinishLoading(platform::Connection&) {
    auto self = shared_from_this();
    saveDataToFile();
}

void GADCachedFile::connectionDidFailWithError(platform::Connection&,
                                               const platform::Error& error) {
    auto self = shared_from_this();
    cleanUpConnection();
    tellDidFail(error);
}

// --- saving and stopping ---

void GADCachedFile::saveDataToFile() {
    const std::filesystem::path path = filePath();
    std::string why;
    bool saved = platform::AppPaths::ensureDirectory(path.parent_path(), 0700, &why);
    if (saved) {
        const std::string_view bytes(reinterpret_cast<const char*>(receivedData_.data()),
                                     receivedData_.size());
        saved = platform::AtomicFile::write(path, bytes, &why, 0600);
    }
    if (!saved) {
        cleanUpConnection();
        tellDidFail(platform::StorageError::make(platform::StorageError::kFileWriteUnknown, why));
        return;
    }
    // The date goes on before anyone hears of the file, so the next conditional request,
    // which a delegate may start at once, already sends it.
    if (!receivedModificationDate_.empty()) {
        if (auto date = platform::parseHttpDate(receivedModificationDate_)) {
            setModificationDate(path, *date);
        }
    }
    cleanUpConnection();
    tellDidEnd();
}

void GADCachedFile::cleanUpConnection() {
    if (connection_) connection_->cancel();
    connection_.reset();
    receivedData_.clear();
    receivedData_.shrink_to_fit();
    receivedModificationDate_.clear();
}

void GADCachedFile::tellDidEnd() {
    if (auto delegate = delegate_.lock()) delegate->cachedFileDownloadDidEnd(*this);
}

void GADCachedFile::tellDidFail(const std::optional<platform::Error>& error) {
    if (auto delegate = delegate_.lock()) delegate->cachedFileDownloadDidFail(*this, error);
}

}  // namespace ads
