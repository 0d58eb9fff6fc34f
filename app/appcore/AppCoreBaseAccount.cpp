// The device's account id and the web service commands with their checksums.

#include "app/appcore/AppCoreBase.h"
#include "app/appcore/KeychainAccess.h"
#include "app/appcore/WebServiceUrls.h"
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

WebServiceUrls AppCoreBase::webServiceUrls() const {
    return WebServiceUrls(
        {gameId_, appVersionString_, webSecretKey_, aridStr(), tnParamStr(), iphoneWebUrl_});
}

std::string AppCoreBase::webJumpUrl(int32_t tgt, int32_t levelId) const {
    return webServiceUrls().jump(tgt, levelId, platform::Clock::wallSeconds());
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
    return webServiceUrls().submitScore(score, levelId, highScore, useHs, dh);
}

bool AppCoreBase::webSubmitScore(const WebScore& score, int32_t levelId,
                                 const std::optional<WebScore>& highScore, bool useHs) {
    return platform::ui::Application::shared().openURL(
        webSubmitScoreUrl(score, levelId, highScore, useHs));
}

std::string AppCoreBase::downloadLevelUrlWithLevelId(int32_t levelId, int64_t dh,
                                                     int64_t tk) const {
    return webServiceUrls().downloadLevel(levelId, dh, tk);
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
