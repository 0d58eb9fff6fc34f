#include "online/AnnounceCheck.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <system_error>
#include <vector>

#include "online/AnnounceCache.h"
#include "online/AnnounceInfo.h"
#include "platform/base/Url.h"
#include "platform/net/FetchSync.h"
#include "platform/runtime/Clock.h"
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

double now() {
    return platform::Clock::wallSeconds();
}

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

AnnounceCheck::Result AnnounceCheck::run(const Params& params, AnnounceCache& cache) {
    const char* caller = "-[AnnounceManager downloadTaskMain:]";
    util::LogMessage(caller, 1, "AM:start");
    Result result;
    fetchListAndPictures(params, cache, result);
    cache.recordCheck(params.cacheDir, params.announceCmdUrl, params.previousCheckAt,
                      result.nextCheckAfter, result.amProperties, result.popupAdInfo);
    util::LogMessage(caller, 1, "AM:end");
    return result;
}

std::optional<std::string> AnnounceCheck::download(const std::string& url, std::string* finalUrl) {
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

void AnnounceCheck::fetchListAndPictures(const Params& params, AnnounceCache& cache,
                                         Result& result) {
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

    result.nextCheckAfter = now() + kRetryAfterFailure;
    std::string listUrl;
    std::optional<std::string> listBytes = download(url, &listUrl);
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
    result.nextCheckAfter = now() + info.checkIntervalAfterFailure;
    result.amProperties = platform::Value(info.amProperties);
    result.popupAdInfo = info.popupAdInfo;

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
        if (cache.isShutdown()) return;
        auto ref = AnnounceInfo::processFileCmd(row);
        if (!ref) return;  // parse() refused such lists already
        keep.push_back(ref->cacheFilename);
        fs::path path = cacheDir / ref->cacheFilename;
        if (auto size = cache.sizeOf(cacheDir, ref->cacheFilename)) {
            util::LogMessage(caller, 1, "AM:cache hit:" + path.string());
            if (tooManyBytes(*size)) return;
            continue;
        }
        std::optional<platform::Url> fileUrl =
            fileBase ? fileBase->resolve(ref->fileName) : std::nullopt;
        std::optional<std::string> data =
            fileUrl ? download(fileUrl->absoluteString()) : std::nullopt;
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
        if (cache.isShutdown()) return;
        std::string writeError;
        if (!cache.write(cacheDir, ref->cacheFilename, *data, &writeError)) {
            // The list must not be saved naming an image that is not there.
            util::LogMessage(caller, 3, "AM:can't save " + writeError);
            return;
        }
        util::LogMessage(caller, 1, "AM:save to " + path.string());
    }

    if (cache.isShutdown()) return;
    std::string writeError;
    if (!cache.commitList(cacheDir, *listBytes, keep, &writeError)) {
        util::LogMessage(caller, 3, "AM:can't save announce " + writeError);
        return;
    }
    result.nextCheckAfter = now() + info.checkIntervalAfterSuccess;
    result.listSaved = true;
    util::LogMessage(caller, 1, "AM:save announce");
}

}  // namespace online
