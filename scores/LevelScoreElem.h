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
#include "scores/ScoreSigner.h"

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

    // The checksum of this score for the level; empty when the signer has no key.
    std::optional<uint32_t> hashWithLevel(const JTAppBase::LevelInfo& level,
                                          const ScoreSigner& signer) const;

    // Writes ("score", "udate", "hash") or reads one score dictionary. Reading answers false
    // when the stored checksum does not match the score, its date and the level.
    bool serializeWith(platform::Value& dict, bool isSave, const JTAppBase::LevelInfo& level,
                       const ScoreSigner& signer);

    LevelScoreElem(const LevelScoreElem&) = delete;
    LevelScoreElem& operator=(const LevelScoreElem&) = delete;

  private:
    LevelScoreElem();

    JTAppBase::ScIntHolderPtr scoreHolder_;
    std::optional<platform::Date> date_;
};

}  // namespace scores
