#include "app/appcore/WebServiceUrls.h"

#include "app/screens/WebScore.h"
#include "util/Crc32.h"
#include "util/TextUtil.h"

namespace app {

namespace {

std::string u(uint32_t v) {
    return std::to_string(v);
}

std::string d(int32_t v) {
    return std::to_string(v);
}

std::string q(int64_t v) {
    return std::to_string(v);
}

uint32_t ha(const std::string& text) {
    return util::Crc32OfCString(text.c_str());
}

std::string enc(const std::string& text) {
    return util::StringByUrlEncodeUTF8(text);
}

}  // namespace

uint32_t WebServiceUrls::secondsAsU32(double seconds) {
    // Truncated to 32 bits as the service's field is; a date before 1970 wraps like the conversion
    // through a signed 64-bit integer that the web service's checksums were made with. A date no
    // 64-bit count can hold (a damaged record) gives 0 rather than undefined arithmetic.
    if (!(seconds > -9.0e18 && seconds < 9.0e18)) return 0;
    return static_cast<uint32_t>(static_cast<int64_t>(seconds));
}

std::string WebServiceUrls::jump(int32_t target, int32_t levelId, double now) const {
    const uint32_t gid = static_cast<uint32_t>(id_.gameId);
    const uint32_t dt = secondsAsU32(now);
    const uint32_t tgt = static_cast<uint32_t>(target);
    std::string text = u(gid) + "," + id_.appVersion + ",ar" + id_.arid + "," + u(dt) + "," +
                       id_.secretKey + "," + u(tgt);
    if (levelId != 0) text += "," + d(levelId);
    std::string url = id_.iphoneWebUrl + "cmd/jump?gid=" + u(gid) + "&v=" + enc(id_.appVersion) +
                      "&arid=" + enc(id_.arid) + "&dt=" + u(dt) + "&tgt=" + u(tgt) +
                      "&ha=" + u(ha(text));
    if (levelId != 0) url += "&lid=" + d(levelId);
    url += "&tn=" + enc(id_.tn) + "&fv=" + d(kFormatVersion);
    return url;
}

std::string WebServiceUrls::submitScore(const WebScore& score, int32_t levelId,
                                        const std::optional<WebScore>& highScore, bool useHs,
                                        std::optional<int64_t> dataHash) const {
    const uint32_t gid = static_cast<uint32_t>(id_.gameId);
    const uint32_t lid = static_cast<uint32_t>(levelId);
    const uint32_t dt = secondsAsU32(score.dateSeconds);
    const uint32_t sc = static_cast<uint32_t>(score.score);
    uint32_t hs = 0;
    uint32_t hsd = 0;
    if (highScore && useHs) {
        hs = static_cast<uint32_t>(highScore->score);
        hsd = secondsAsU32(highScore->dateSeconds);
    }
    std::string text = u(gid) + "," + id_.appVersion + "," + u(lid) + ",ar" + id_.arid + "," +
                       u(dt) + "," + id_.secretKey + "," + u(sc);
    if (useHs) text += ",hs" + u(hs) + "," + u(hsd);
    if (dataHash) text += ",dh" + q(*dataHash);
    std::string url = id_.iphoneWebUrl + "cmd/postSc?gid=" + u(gid) + "&v=" + enc(id_.appVersion) +
                      "&lid=" + u(lid) + "&arid=" + enc(id_.arid) + "&dt=" + u(dt) +
                      "&sc=" + u(sc) + "&ha=" + u(ha(text));
    if (dataHash) url += "&dh=" + q(*dataHash);
    if (useHs) url += "&hs=" + u(hs) + "&hsd=" + u(hsd);
    url += "&tn=" + enc(id_.tn) + "&fv=" + d(kFormatVersion);
    return url;
}

std::string WebServiceUrls::downloadLevel(int32_t levelId, int64_t dataHash, int64_t token) const {
    const uint32_t gid = static_cast<uint32_t>(id_.gameId);
    std::string text = u(gid) + "," + id_.appVersion + "," + d(levelId) + ",ar" + id_.arid + ",dh" +
                       q(dataHash) + ",tk" + q(token) + "," + id_.secretKey;
    return id_.iphoneWebUrl + "cmd/downloadLevel?gid=" + u(gid) + "&v=" + enc(id_.appVersion) +
           "&lid=" + d(levelId) + "&arid=" + enc(id_.arid) + "&dh=" + q(dataHash) +
           "&tk=" + q(token) + "&ha=" + u(ha(text)) + "&tn=" + enc(id_.tn) +
           "&fv=" + d(kFormatVersion);
}

}  // namespace app
