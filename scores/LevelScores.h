#pragma once

// One level's score file in Documents/LevelScores/<level id>.plist: the three most recent
// scores, newest first, and a high-score list. A LevelScores is made, opened, changed and
// saved within one use (a game over, the scores screen); the file is the only state.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.h"
#include "scores/ScoreSigner.h"

namespace JTAppBase {
class LevelInfo;
}

namespace scores {

class LevelScoreElem;

class LevelScores {
  public:
    using List = std::vector<std::shared_ptr<LevelScoreElem>>;

    static constexpr int32_t kVersion = 4097;
    static constexpr int kRecentScoresMax = 3;
    // This game keeps no local high scores.
    static constexpr int kHighScoresMax = 0;
    static constexpr const char* kDirectoryName = "LevelScores";

    // Scores are signed and checked with `signer`.
    static std::shared_ptr<LevelScores> create(std::shared_ptr<JTAppBase::LevelInfo> levelInfo,
                                               ScoreSigner signer);

    const std::shared_ptr<JTAppBase::LevelInfo>& levelInfo() const { return levelInfo_; }
    const List& highScores() const { return highScores_; }
    const List& recentScores() const { return recentScores_; }
    // The best score as it stood before the last registration; empty when there was none.
    const std::shared_ptr<LevelScoreElem>& previousHighScore() const { return previousHighScore_; }

    // Reads the level's file. A missing or unreadable file leaves both lists empty.
    void open();
    // Writes both lists; false when the file could not be written (the old one then stays).
    bool save();
    void registerScore(const std::shared_ptr<LevelScoreElem>& score);
    // The caller saves.
    void clearHighScores() { highScores_.clear(); }

    void serializeWith(platform::Value& dict, bool isSave);
    // Reading replaces the list only when the key holds an array; it stops at the first
    // element that is not a dictionary and once `maxSize` scores have been taken, checking
    // the bound after each score, so a bound of 0 still takes one.
    void serializeScoresWith(platform::Value& dict, List& list, const std::string& key, int maxSize,
                             bool isSave);

    // Documents/LevelScores/<id>.plist; empty when the folder is missing and could not be made.
    static std::optional<std::string> fileNameForLevelId(int32_t levelId, bool createDir);

  private:
    LevelScores(std::shared_ptr<JTAppBase::LevelInfo> levelInfo, ScoreSigner signer)
        : levelInfo_(std::move(levelInfo)), signer_(std::move(signer)) {}

    std::shared_ptr<JTAppBase::LevelInfo> levelInfo_;
    ScoreSigner signer_;
    List highScores_;
    List recentScores_;
    // The file was there but could not be read: this list is not saved over it.
    bool saveBlocked_ = false;
    std::shared_ptr<LevelScoreElem> previousHighScore_;
};

// The level's scores, already opened; nullptr without a level.
std::shared_ptr<LevelScores> OpenLevelScores(const std::shared_ptr<JTAppBase::LevelInfo>& level,
                                             const ScoreSigner& signer);

}  // namespace scores
