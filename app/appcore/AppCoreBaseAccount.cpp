// The device's account id and the web service commands with their checksums.

#include "app/appcore/AccountId.h"
#include "app/appcore/AppCoreBase.h"
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

std::string AppCoreBase::keychainService() {
    return AccountId::keychainService();
}

std::optional<std::string> AppCoreBase::keychainAccessGroup() {
    return AccountId::keychainAccessGroup();
}

void AppCoreBase::loadOrCreateArid() {
    accountId_.loadOrCreate();
}

bool AppCoreBase::deleteAridFromKeychain() {
    return AccountId::deleteFromKeychain();
}

std::string AppCoreBase::aridStr() const {
    return accountId_.text();
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
