// The device's account id and the web service commands with their checksums.

#include "app/appcore/AppCoreBase.h"
#include "app/appcore/KeychainAccess.h"
#include "appbase/JTLevelManager.h"
#include "platform/runtime/Clock.h"
#include "platform/storage/SecureRandom.h"
#include "platform/ui/Application.h"
#include "scores/LevelScoreElem.h"
#include "util/Crc32.h"
#include "util/LogMessage.h"
#include "util/SystemVersion.h"
#include "util/TextUtil.h"

namespace app {

namespace {

constexpr const char* kAridAccount = "arid";
constexpr std::size_t kAridLength = 16;
// The fixed protocol number the service expects at the end of every command.
constexpr int kFormatVersion = 20;

std::string u(uint32_t v) {
    return std::to_string(v);
}

std::string d(int32_t v) {
    return std::to_string(v);
}

std::string q(int64_t v) {
    return std::to_string(v);
}

uint32_t secondsAsU32(double seconds) {
    // Truncated to 32 bits as the service's field is; a date before 1970 wraps like the conversion
    // through a signed 64-bit integer that the web service's checksums were made with. A date no
    // 64-bit count can hold (a damaged record) gives 0 rather than undefined arithmetic.
    if (!(seconds > -9.0e18 && seconds < 9.0e18)) return 0;
    return static_cast<uint32_t>(static_cast<int64_t>(seconds));
}

uint32_t ha(const std::string& text) {
    return util::Crc32OfCString(text.c_str());
}

}  // namespace

std::string AppCoreBase::keychainService() {
    return "com.quorvel.shared";
}

std::optional<std::string> AppCoreBase::keychainAccessGroup() {
    return std::string("QV7K2M9P4X.") + keychainService();
}

void AppCoreBase::loadOrCreateArid() {
    const char* caller = "-[AppCoreBase didLoadSettings]";
    auto query = KeychainQueryForAccount(kAridAccount, keychainService(), keychainAccessGroup());
    if (auto data = KeychainCopyData(query)) {
        if (data->size() == kAridLength) {
            arid_ = *data;
            return;
        }
        KeychainDeleteItem(query);
    }
    auto bytes = platform::SecureRandom::bytes(kAridLength);
    if (!bytes) {
        util::LogMessage(caller, 4, "arid generation failure");
        arid_.assign(kAridLength, 0);
        return;
    }
    // Another program of the maker starting at the same moment may have stored its id since
    // we looked: the keychain decides under its lock, and everyone keeps the first one.
    auto stored = KeychainCopyOrAddData(query, *bytes);
    if (!stored || stored->size() != kAridLength) {
        util::LogMessage(caller, 4, "arid registration failure");
        arid_.assign(kAridLength, 0);
        return;
    }
    arid_ = *stored;
}

bool AppCoreBase::deleteAridFromKeychain() {
    return KeychainDeleteItem(
        KeychainQueryForAccount(kAridAccount, keychainService(), keychainAccessGroup()));
}

std::string AppCoreBase::aridStr() const {
    return util::HexStringFromData(arid_);
}

std::string AppCoreBase::tnParamStr() const {
    return deviceTypeName_ + ";" + util::SystemVersion();
}

std::string AppCoreBase::webJumpUrl(int32_t tgt, int32_t levelId) const {
    uint32_t gid = static_cast<uint32_t>(gameId_);
    uint32_t dt = secondsAsU32(platform::Clock::wallSeconds());
    uint32_t target = static_cast<uint32_t>(tgt);
    std::string arid = aridStr();
    std::string text = u(gid) + "," + appVersionString_ + ",ar" + arid + "," + u(dt) + "," +
                       webSecretKey_ + "," + u(target);
    if (levelId != 0) text += "," + d(levelId);
    std::string url = iphoneWebUrl_ + "cmd/jump?gid=" + u(gid) +
                      "&v=" + util::StringByUrlEncodeUTF8(appVersionString_) +
                      "&arid=" + util::StringByUrlEncodeUTF8(arid) + "&dt=" + u(dt) +
                      "&tgt=" + u(target) + "&ha=" + u(ha(text));
    if (levelId != 0) url += "&lid=" + d(levelId);
    url += "&tn=" + util::StringByUrlEncodeUTF8(tnParamStr()) + "&fv=" + d(kFormatVersion);
    return url;
}

bool AppCoreBase::webJump(int32_t tgt, int32_t levelId) {
    return platform::ui::Application::shared().openURL(webJumpUrl(tgt, levelId));
}

std::string AppCoreBase::webSubmitScoreUrl(const WebScore& score, int32_t levelId,
                                           const std::optional<WebScore>& highScore, bool useHs) {
    std::optional<int64_t> dh;
    if (appContext_) {
        auto manager = appContext_->getLevelManager();
        if (manager && manager->usesLevelHashes()) {
            auto level = manager->getLevelInfoById(levelId);
            dh = level ? level->getDataHash() : -1;
        }
    }
    uint32_t gid = static_cast<uint32_t>(gameId_);
    uint32_t lid = static_cast<uint32_t>(levelId);
    uint32_t dt = secondsAsU32(score.dateSeconds);
    uint32_t sc = static_cast<uint32_t>(score.score);
    uint32_t hs = 0;
    uint32_t hsd = 0;
    if (highScore && useHs) {
        hs = static_cast<uint32_t>(highScore->score);
        hsd = secondsAsU32(highScore->dateSeconds);
    }
    std::string arid = aridStr();
    std::string text = u(gid) + "," + appVersionString_ + "," + u(lid) + ",ar" + arid + "," +
                       u(dt) + "," + webSecretKey_ + "," + u(sc);
    if (useHs) text += ",hs" + u(hs) + "," + u(hsd);
    if (dh) text += ",dh" + q(*dh);
    std::string url = iphoneWebUrl_ + "cmd/postSc?gid=" + u(gid) +
                      "&v=" + util::StringByUrlEncodeUTF8(appVersionString_) + "&lid=" + u(lid) +
                      "&arid=" + util::StringByUrlEncodeUTF8(arid) + "&dt=" + u(dt) +
                      "&sc=" + u(sc) + "&ha=" + u(ha(text));
    if (dh) url += "&dh=" + q(*dh);
    if (useHs) url += "&hs=" + u(hs) + "&hsd=" + u(hsd);
    url += "&tn=" + util::StringByUrlEncodeUTF8(tnParamStr()) + "&fv=" + d(kFormatVersion);
    return url;
}

bool AppCoreBase::webSubmitScore(const WebScore& score, int32_t levelId,
                                 const std::optional<WebScore>& highScore, bool useHs) {
    return platform::ui::Application::shared().openURL(
        webSubmitScoreUrl(score, levelId, highScore, useHs));
}

std::string AppCoreBase::downloadLevelUrlWithLevelId(int32_t levelId, int64_t dh,
                                                     int64_t tk) const {
    uint32_t gid = static_cast<uint32_t>(gameId_);
    std::string arid = aridStr();
    std::string text = u(gid) + "," + appVersionString_ + "," + d(levelId) + ",ar" + arid + ",dh" +
                       q(dh) + ",tk" + q(tk) + "," + webSecretKey_;
    return iphoneWebUrl_ + "cmd/downloadLevel?gid=" + u(gid) +
           "&v=" + util::StringByUrlEncodeUTF8(appVersionString_) + "&lid=" + d(levelId) +
           "&arid=" + util::StringByUrlEncodeUTF8(arid) + "&dh=" + q(dh) + "&tk=" + q(tk) +
           "&ha=" + u(ha(text)) + "&tn=" + util::StringByUrlEncodeUTF8(tnParamStr()) +
           "&fv=" + d(kFormatVersion);
}

scores::ScoreSigner AppCoreBase::scoreSigner() const {
    return scores::ScoreSigner(webSecretKey());
}

AppCoreBase::WebScore AppCoreBase::webScoreOf(const scores::LevelScoreElem& score) {
    return WebScore{score.score(), static_cast<double>(score.dateNumber())};
}

bool AppCoreBase::webSubmitScore(const scores::LevelScoreElem& score, int32_t levelId,
                                 const scores::LevelScoreElem* highScore, bool useHs) {
    std::optional<WebScore> best;
    if (highScore) best = webScoreOf(*highScore);
    return webSubmitScore(webScoreOf(score), levelId, best, useHs);
}

}  // namespace app
