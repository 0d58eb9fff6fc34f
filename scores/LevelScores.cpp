#include "scores/LevelScores.h"

#include <filesystem>

#include "appbase/ShellInterfaces.h"
#include "scores/LevelScoreElem.h"
#include "util/LogMessage.h"
#include "util/PlistFiles.h"

namespace scores {

namespace {
constexpr const char* kHighScoresKey = "highScores";
constexpr const char* kRecentScoresKey = "recentScores";
constexpr const char* kVersionKey = "LevelScores.version";
}  // namespace

std::shared_ptr<LevelScores> LevelScores::create(std::shared_ptr<JTAppBase::LevelInfo> levelInfo,
                                                 ScoreSigner signer) {
    return std::shared_ptr<LevelScores>(new LevelScores(std::move(levelInfo), std::move(signer)));
}

std::shared_ptr<LevelScores> OpenLevelScores(const std::shared_ptr<JTAppBase::LevelInfo>& level,
                                             const ScoreSigner& signer) {
    if (!level) return nullptr;
    auto scores = LevelScores::create(level, signer);
    scores->open();
    return scores;
}

std::optional<std::string> LevelScores::fileNameForLevelId(int32_t levelId, bool createDir) {
    auto dir = util::DocumentsSubdirectoryPath(kDirectoryName, createDir);
    if (!dir) return std::nullopt;
    return *dir + "/" + std::to_string(levelId) + ".plist";
}

void LevelScores::open() {
    // Without the secret key every stored score would look forged.
    if (!levelInfo_ || !signer_.canSign()) return;
    auto path = fileNameForLevelId(levelInfo_->levelId(), false);
    if (!path) return;
    auto stored = util::ReadStoredDictionary(*path, "-[LevelScores open]");
    // Scores that are there but cannot be read must not be replaced by the one just played.
    saveBlocked_ = !stored.mayBeSaved();
    if (stored.state != util::StoredDictionary::State::Read) return;
    serializeWith(stored.dictionary, false);
}

bool LevelScores::save() {
    if (!levelInfo_) return false;
    // Without the secret key no score could be signed; writing the lists empty would throw
    // away the scores already in the file.
    if (!signer_.canSign()) {
        util::LogMessage("-[LevelScores save]", 3, "no secret key to sign the scores with");
        return false;
    }
    platform::Value dict = platform::Value::dictionary();
    serializeWith(dict, true);
    dict.set(kVersionKey, kVersion);
    auto path = fileNameForLevelId(levelInfo_->levelId(), true);
    if (!path) {
        util::LogMessage("-[LevelScores save]", 4, "cannot make the folder of the score files");
        return false;
    }
    if (saveBlocked_) {
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(*path, ec))) {
            util::LogMessage("-[LevelScores save]", 3,
                             "scores not saved: " + *path + " could not be read");
            return false;
        }
        saveBlocked_ = false;
    }
    util::LogMessage("-[LevelScores save]", 1, "write scores: " + *path);
    return util::WriteDictionaryToPlistFile(*path, dict);
}

void LevelScores::serializeWith(platform::Value& dict, bool isSave) {
    serializeScoresWith(dict, highScores_, kHighScoresKey, kHighScoresMax, isSave);
    serializeScoresWith(dict, recentScores_, kRecentScoresKey, kRecentScoresMax, isSave);
}

void LevelScores::serializeScoresWith(platform::Value& dict, List& list, const std::string& key,
                                      int maxSize, bool isSave) {
    if (!levelInfo_) return;
    const auto& level = *levelInfo_;
    if (isSave) {
        platform::Value array = platform::Value::array();
        int written = 0;
        for (const auto& elem : list) {
            if (!elem) continue;
            platform::Value one = platform::Value::dictionary();
            if (!elem->serializeWith(one, true, level, signer_)) continue;
            array.append(std::move(one));
            if (++written >= maxSize) break;
        }
        dict.set(key, std::move(array));
        return;
    }

    const auto* array = dict.find(key);
    if (!array || !array->isArray()) return;
    list.clear();
    for (const auto& item : array->asArray()) {
        if (!item.isDictionary()) break;
        auto elem = LevelScoreElem::create();
        platform::Value one = item;
        if (!elem->serializeWith(one, false, level, signer_)) continue;
        list.push_back(std::move(elem));
        if (static_cast<int>(list.size()) >= maxSize) break;
    }
}

void LevelScores::registerScore(const std::shared_ptr<LevelScoreElem>& score) {
    if (!score) return;
    previousHighScore_ = highScores_.empty() ? nullptr : highScores_.front();
    recentScores_.insert(recentScores_.begin(), score);
    if (recentScores_.size() > static_cast<size_t>(kRecentScoresMax)) {
        recentScores_.resize(kRecentScoresMax);
    }
    // The high-score list would take the score before the first lower one; with a capacity of
    // 0 that place is never inside the list, so it stays as it is.
}

}  // namespace scores
