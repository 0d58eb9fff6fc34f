#pragma once

// One URL downloaded into a file under the Caches folder and revalidated later with a
// conditional request, so that a file the server has not changed is not fetched again. The
// file is <Caches>/<host, or "@local" without one>/<64-bit FNV-1a hash of the URL text, in
// lower-case hex>: it depends only on the URL, so it outlives the object and any later object
// for the same URL reuses it. Redirects are followed one at a time, each asked of the
// delegate first, and the last URL requested is remembered (click trackers read it).
//
// Main thread only: create, validate, cancel and drop it there; the delegate hears from the
// main loop. Exactly one of cachedFileDownloadDidEnd and cachedFileDownloadDidFail comes per
// download, except after cancel() or invalidate(), which silence it. The object holds its
// connection; the connection holds the object weakly, and dropping the object cancels the
// download. The delegate is held weakly and may drop the object inside its callbacks.
//
// What a server sends is untrusted: the host becomes a folder only as one safe path
// component, else the download fails at once (private error, code 3); bodies above kMaxBytes
// fail the download and leave the old file; a "Last-Modified" that is no HTTP date is ignored.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Url.h"
#include "platform/base/Value.h"
#include "platform/net/ConnectionDelegate.h"
#include "platform/net/HttpHeaders.h"
#include "platform/net/UrlRequest.h"

namespace platform {
class Connection;
}

namespace ads {

class GADCachedFile;

class GADCachedFileDelegate {
  public:
    virtual ~GADCachedFileDelegate() = default;
    // Before each redirect is followed: an error stops the download (and comes back through
    // cachedFileDownloadDidFail), nothing follows it.
    virtual std::optional<platform::Error> cachedFileShouldRedirectToURL(
        GADCachedFile& file, const platform::Url& url) = 0;
    virtual void cachedFileDownloadDidEnd(GADCachedFile& file) = 0;
    // No error for an HTTP status other than 2xx and 304.
    virtual void cachedFileDownloadDidFail(GADCachedFile& file,
                                           const std::optional<platform::Error>& error) = 0;
};

class GADCachedFile : public platform::ConnectionDelegate,
                      public std::enable_shared_from_this<GADCachedFile> {
  public:
    // Bodies larger than this fail the download: the files are landing pages and trackers'
    // answers, and a server must not be able to fill the disk.
    static constexpr std::int64_t kMaxBytes = 4 * 1024 * 1024;
    // The longest host kept as a folder name: what every Linux file system takes.
    static constexpr std::size_t kMaxHostBytes = 255;

    static std::shared_ptr<GADCachedFile> createWithURL(platform::Url url);
    ~GADCachedFile() override;
    GADCachedFile(const GADCachedFile&) = delete;
    GADCachedFile& operator=(const GADCachedFile&) = delete;

    std::shared_ptr<GADCachedFileDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<GADCachedFileDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    const platform::Url& sourceURL() const { return sourceURL_; }
    platform::UrlRequestCachePolicy cachePolicy() const { return cachePolicy_; }
    void setCachePolicy(platform::UrlRequestCachePolicy policy) { cachePolicy_ = policy; }
    // The last URL requested: the source URL (with its cache buster) and then each redirect
    // target the delegate let through.
    const platform::Url& HTTPDestinationURL() const { return HTTPDestinationURL_; }
    // Of the last HTTP response, a redirect's included; 0 and empty before the first.
    std::int64_t HTTPStatusCode() const { return HTTPStatusCode_; }
    const platform::HttpHeaders& HTTPHeaders() const { return HTTPHeaders_; }
    const std::shared_ptr<platform::Connection>& connection() const { return connection_; }
    // The "Last-Modified" text of the 2xx answer being saved; cleared once saved.
    const std::string& receivedModificationDate() const { return receivedModificationDate_; }

    // Empty without a Caches folder, and for a URL whose host cannot be a folder name.
    const std::filesystem::path& filePath();
    bool fileExists();
    // The file read as UTF-8 text; nothing without a file or for bytes that are not UTF-8.
    std::optional<std::string> contentAsString();
    // The file's modification time as an HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT").
    std::optional<std::string> fileModificationRFC1123DateString();

    // Start a download unless one is running; the second adds a cache buster.
    void validate();
    void validateWithCacheBuster();
    // Start a download. With a cache buster the URL gets "unique=<seconds since 2001>" and
    // the cache policy becomes "reload, ignoring local data" for this and later downloads.
    void beginFetchWithCacheBuster(bool cacheBuster);
    // Stop the download; the delegate hears nothing.
    void cancel();
    // Stop the download and delete the file.
    void invalidate();

    // "<GADCachedFile: 0x...> HTTP code: 200\n\turl: <source>\n\tfile: <path>"
    std::string description();

    // Header fields of the response as a dictionary of texts.
    static platform::Value headersForResponse(const platform::UrlResponse& response);
    // The folder name for a URL's host: "@local" without one, nothing when the host is not a
    // single safe path component.
    static std::optional<std::string> directoryNameForHost(std::string_view host);
    // The file name for a URL text: FNV-1a, 64 bits, lower-case hex without leading zeros.
    static std::string fileNameForURLString(std::string_view text);

    // ConnectionDelegate
    std::optional<platform::UrlRequest> connectionWillSendRequest(
        platform::Connection&, const platform::UrlRequest& request,
        const platform::UrlResponse* redirectResponse) override;
    void connectionDidReceiveResponse(platform::Connection&,
                                      const platform::UrlResponse& response) override;
    void connectionDidReceiveData(platform::Connection&,
                                  const std::vector<std::uint8_t>& data) override;
    void connectionDidFinishLoading(platform::Connection&) override;
    void connectionDidFailWithError(platform::Connection&, const platform::Error& error) override;

  private:
    struct Private {};

  public:
    GADCachedFile(Private, platform::Url url);

  private:
    void saveDataToFile();
    void cleanUpConnection();
    void tellDidEnd();
    void tellDidFail(const std::optional<platform::Error>& error);

    std::vector<std::uint8_t> receivedData_;
    std::optional<std::filesystem::path> filePath_;  // worked out at first use
    std::weak_ptr<GADCachedFileDelegate> delegate_;
    const platform::Url sourceURL_;
    platform::UrlRequestCachePolicy cachePolicy_ =
        platform::UrlRequestCachePolicy::UseProtocolCachePolicy;
    platform::Url HTTPDestinationURL_;
    std::int64_t HTTPStatusCode_ = 0;
    platform::HttpHeaders HTTPHeaders_;
    std::shared_ptr<platform::Connection> connection_;
    std::string receivedModificationDate_;
};

}  // namespace ads
