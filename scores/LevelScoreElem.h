#pragma once

// One stored score of a level: the points, when they were made, and the checksum that ties
// them to the level and to the game's secret key, so a score edited in the file or copied from
// another level does not count.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "appbase/ScIntHolder.h"
#include "platform/base/Value.h"

namespace JTAppBase {
class LevelInfo;
}

namespace scores {

class LevelScoreElem {
  public:
    // The score stays masked in memory, so the score holder's process-wide mask must be set
    // (the app core sets it when it loads its settings).
    static std::shared_ptr<LevelScoreElem> create();
    static std::shared_ptr<LevelScoreElem> create(int32_t score,
                                                  std::optional<platform::Date> date);

    int32_t score() const;
    void setScore(int32_t score);
    const std::optional<platform::Date>& date() const { return date_; }
    void setDate(std::optional<platform::Date> date) { date_ = date; }
    // Whole seconds since 1970; 0 without a date or for one before 1970.
    uint64_t dateNumber() const;
    bool canResubmit() const { return true; }

    // The checksum of this score for the level; empty when the level has no app core to give
    // the secret key (its context is gone).
    std::optional<uint32_t> hashWithLevel(const JTAppBase::LevelInfo& level) const;
    static uint32_t hashOf(const std::string& secretKey, int32_t levelId, int32_t score,
                           uint64_t dateNumber);

    // Writes ("score", "udate", "hash") or reads one score dictionary. Reading answers false
    // when the stored checksum does not match the score, its date and the level.
    bool serializeWith(platform::Value& dict, bool isSave, const JTAppBase::LevelInfo& level);

    LevelScoreElem(const LevelScoreElem&) = delete;
    LevelScoreElem& operator=(const LevelScoreElem&) = delete;

  private:
    LevelScoreElem();

    JTAppBase::ScIntHolderPtr scoreHolder_;
    std::optional<platform::Date> date_;
};

// The secret key the level's scores are signed with: the web secret key of the app core that
// the level's context holds; empty when there is none.
std::optional<std::string> ScoreSecretKeyOf(const JTAppBase::LevelInfo& level);

}  // namespace scores
