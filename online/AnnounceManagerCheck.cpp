// The announcement check: schedule, list download, image cache, and the end of a check.

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <system_error>

#include "online/AnnounceAppCore.h"
#include "online/AnnounceInfo.h"
#include "online/AnnounceManager.h"
#include "platform/base/Url.h"
#include "platform/net/FetchSync.h"
#include "platform/runtime/MainLoop.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/PropertyList.h"
#include "util/Crc32.h"
#include "util/LogMessage.h"
#include "util/TextUtil.h"

namespace fs = std::filesystem;

namespace online {

namespace {

constexpr double kRequestTimeout = 30;
// The version of the list format this program reads, sent with every check.
constexpr int kFormatVersion = 20;

// Lists and pictures beyond 2 GiB do not exist; one would answer 0 and count as damaged.
uint32_t crc32Of(const std::string& bytes) {
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) return 0;
    return util::Crc32OfBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
}

std::string hex8(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

}  // namespace

void AnnounceManager::shutdown() {
    util::LogMessage("-[AnnounceManager shutdown]", 1, "AM:shutdown");
    std::lock_guard<std::mutex> lock(shutdownLock_);
    shutdown_ = true;
}

bool AnnounceManager::isShutdown() const {
    std::lock_guard<std::mutex> lock(shutdownLock_);
    return shutdown_;
}

void AnnounceManager::waitForDownload() {
    if (downloadThread_.joinable()) downloadThread_.join();
}

void AnnounceManager::startDownload() {
    const char* caller = "-[AnnounceManager startDownload]";
    {
        std::lock_guard<std::mutex> lock(shutdownLock_);
        shutdown_ = false;
    }
    // The running check simply goes on now that it may write again; a second thread would
    // race it for the same files.
    if (downloading_) {
        util::LogMessage(caller, 1, "AM:check still running");
        return;
    }
    waitForDownload();

    auto core = appCore();
    auto cacheDir = prepareCacheDir();
    if (!core || !cacheDir) {
        util::LogMessage(caller, 1, "AM:no app core or cache directory");
        return;
    }
    loadState();
    double t = now();
    if (previousCheckAt_ <= t && t < nextCheckAfter_) {
        util::LogMessage(caller, 1, "AM:skip check");
        return;
    }
    previousCheckAt_ = t;

    CheckParams params;
    params.gameId = static_cast<uint32_t>(core->gameId());
    params.version = core->appVersionString();
    params.arid = core->aridStr();
    params.secretKey = core->webSecretKey();
    params.announceCmdUrl = core->iphoneWebUrl() + "cmd/announce";
    params.tn = core->tnParamStr();
    params.cacheDir = *cacheDir;

    downloading_ = true;
    downloadThread_ = std::thread([this, params]() { downloadTaskMain(params); });
}

void AnnounceManager::downloadTaskMain(const CheckParams& params) {
    const char* caller = "-[AnnounceManager downloadTaskMain:]";
    util::LogMessage(caller, 1, "AM:start");
    doDownloadTasks(params);
    {
        std::lock_guard<std::mutex> lock(shutdownLock_);
        if (!shutdown_) saveStateLocked(params.cacheDir);
    }
    util::LogMessage(caller, 1, "AM:end");
    downloading_ = false;
}

std::optional<std::string> AnnounceManager::downloadWithUrl(const std::string& url,
                                                            std::string* finalUrl) {
    const char* caller = "-[AnnounceManager downloadWithUrl:o_response:]";
    std::optional<platform::Url> parsed = platform::Url::parse(url);
    if (!parsed) {
        util::LogMessage(caller, 1, "AM:download:err:not a URL " + url);
        return std::nullopt;
    }
    platform::UrlRequest request(
        *parsed, platform::UrlRequestCachePolicy::ReloadIgnoringLocalAndRemoteCacheData,
        kRequestTimeout);
    platform::FetchOptions options;
    options.maxBytes = kMaxDownloadBytes;
    platform::FetchResult result = platform::fetchSync(request, options);
    if (!result.ok()) {
        util::LogMessage(caller, 1, "AM:download:err:" + result.errorText());
        return std::nullopt;
    }
    if (finalUrl && result.response) *finalUrl = result.finalUrl().absoluteString();
    std::string body = result.bodyText();
    if (!result.response) return body;
    if (result.statusCode() != 200) {
        util::LogMessage(caller, 1,
                         "AM:download:invalid status code:" + std::to_string(result.statusCode()));
        return std::nullopt;
    }
    std::int64_t expected = result.expectedContentLength();
    if (expected != -1 && expected != static_cast<std::int64_t>(body.size())) {
        util::LogMessage(caller, 1, "AM:download:invalid length");
        return std::nullopt;
    }
    return body;
}

void AnnounceManager::doDownloadTasks(const CheckParams& params) {
    const char* caller = "-[AnnounceManager doDownloadTasks]";
    auto dt = static_cast<uint32_t>(static_cast<std::int64_t>(now()));
    std::string checkText = std::to_string(params.gameId) + "," + params.version + ",ar" +
                            params.arid + "," + std::to_string(dt) + "," + params.secretKey;
    uint32_t ha = crc32Of(checkText);
    std::string url = params.announceCmdUrl + "?gid=" + std::to_string(params.gameId) +
                      "&v=" + util::StringByUrlEncodeUTF8(params.version) +
                      "&arid=" + util::StringByUrlEncodeUTF8(params.arid) +
                      "&dt=" + std::to_string(dt) + "&ha=" + std::to_string(ha) +
                      "&tn=" + util::StringByUrlEncodeUTF8(params.tn) +
                      "&fv=" + std::to_string(kFormatVersion);
    util::LogMessage(caller, 1, "plistURL: " + url);

    nextCheckAfter_ = now() + kRetryAfterFailure;
    std::string listUrl;
    std::optional<std::string> listBytes = downloadWithUrl(url, &listUrl);
    if (!listBytes) return;

    platform::Error error;
    std::optional<platform::Value> root = platform::PropertyList::parse(*listBytes, &error);
    if (!root) {
        util::LogMessage(caller, 1, "AM:announce load err:" + error.localizedDescription());
        return;
    }
    if (!root->isArray()) return;
    AnnounceInfo info;
    if (!info.parse(*root)) {
        util::LogMessage(caller, 1, "AM:announce parse failure");
        return;
    }
    nextCheckAfter_ = now() + info.checkIntervalAfterFailure;
    {
        std::lock_guard<std::mutex> lock(propertiesMutex_);
        amProperties_ = platform::Value(info.amProperties);
        popupAdInfo_ = info.popupAdInfo;
    }

    std::vector<std::string> keep;
    const fs::path& cacheDir = params.cacheDir;
    std::optional<platform::Url> fileBase;
    std::optional<platform::Url> listBase =
        platform::Url::parse(listUrl.empty() ? params.announceCmdUrl : listUrl);
    if (info.fileUrlBase && listBase) fileBase = listBase->resolve(*info.fileUrlBase);
    // Cached pictures count too, so a list too big for the cache never completes, however
    // many checks it takes.
    std::int64_t imageBytes = 0;
    auto tooManyBytes = [&](std::uintmax_t size) {
        imageBytes += static_cast<std::int64_t>(std::min<std::uintmax_t>(size, INT64_MAX / 2));
        if (imageBytes <= kMaxListImageBytes) return false;
        util::LogMessage(caller, 3, "AM:images of the list too large");
        return true;
    };
    for (const auto& [key, row] : info.files) {
        if (isShutdown()) return;
        auto ref = AnnounceInfo::processFileCmd(row);
        if (!ref) return;  // parse() refused such lists already
        keep.push_back(ref->cacheFilename);
        fs::path path = cacheDir / ref->cacheFilename;
        std::error_code ec;
        if (fs::exists(path, ec)) {
            util::LogMessage(caller, 1, "AM:cache hit:" + path.string());
            const std::uintmax_t size = fs::file_size(path, ec);
            if (!ec && tooManyBytes(size)) return;
            continue;
        }
        std::optional<platform::Url> fileUrl =
            fileBase ? fileBase->resolve(ref->fileName) : std::nullopt;
        std::optional<std::string> data =
            fileUrl ? downloadWithUrl(fileUrl->absoluteString()) : std::nullopt;
        if (!data) {
            util::LogMessage(
                caller, 1,
                "AM:can't download " + (fileUrl ? fileUrl->absoluteString() : ref->fileName));
            return;
        }
        uint32_t crc = crc32Of(*data);
        if (crc != ref->crc32) {
            util::LogMessage(caller, 1, "AM:checksum mismatch " + ref->fileName + " " + hex8(crc));
            return;
        }
        if (tooManyBytes(data->size())) return;
        std::lock_guard<std::mutex> lock(shutdownLock_);
        if (shutdown_) return;
        std::string writeError;
        if (!platform::AtomicFile::write(path, *data, &writeError, 0600)) {
            // The list must not be saved naming an image that is not there.
            util::LogMessage(caller, 3, "AM:can't save " + writeError);
            return;
        }
        util::LogMessage(caller, 1, "AM:save to " + path.string());
    }

    {
        std::lock_guard<std::mutex> fileLock(readFileLock_);
        {
            std::lock_guard<std::mutex> lock(shutdownLock_);
            if (shutdown_) return;
            std::string writeError;
            if (!platform::AtomicFile::write(cacheDir / kAnnounceFileName, *listBytes, &writeError,
                                             0600)) {
                util::LogMessage(caller, 3, "AM:can't save announce " + writeError);
                return;
            }
            nextCheckAfter_ = now() + info.checkIntervalAfterSuccess;
            util::LogMessage(caller, 1, "AM:save announce");
        }
        bannerIsDirty_ = true;
        keep.push_back(kAnnounceFileName);
        keep.push_back(kStatusFileName);
        deleteFilesLocked(caller, cacheDir, keep);
    }

    // The settings may name an interstitial now; the main thread asks for one.
    platform::MainLoop::main().post(
        [] { AnnounceManager::sharedAnnounceManager().requestInterstitialAd(); });
}

void AnnounceManager::deleteFilesLocked(const char* caller, const fs::path& cacheDir,
                                        const std::vector<std::string>& keep) {
    std::error_code ec;
    fs::directory_iterator it(cacheDir, ec);
    if (ec) {
        util::LogMessage(caller, 4, ec.message());
        return;
    }
    for (const auto& entry : it) {
        std::string name = entry.path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        if (std::find(keep.begin(), keep.end(), name) != keep.end()) continue;
        std::error_code statError;
        // A link is removed as a link; its target is never touched.
        auto status = fs::symlink_status(entry.path(), statError);
        if (statError || !fs::exists(status) || fs::is_directory(status)) continue;
        util::LogMessage(caller, 1, "delete " + entry.path().string());
        fs::remove(entry.path(), statError);
    }
}

}  // namespace online
