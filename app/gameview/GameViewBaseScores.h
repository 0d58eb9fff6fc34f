#pragma once

// How a finished run's score reaches the level's local scores. The game view only needs three
// things of them - open the level's scores, register the new score, save - and hands what it
// got on to the game-over screen. The game view asks its host for the recorder; without one a
// run still ends and the game-over screen opens, only nothing is stored.

#include <cstdint>
#include <memory>

#include "appbase/ShellInterfaces.h"

namespace scores {
class LevelScores;
class LevelScoreElem;
}  // namespace scores
namespace app {

class GameViewScoreRecorder {
  public:
    struct Recorded {
        std::shared_ptr<scores::LevelScores> scores;
        std::shared_ptr<scores::LevelScoreElem> currentScore;
    };

    virtual ~GameViewScoreRecorder() = default;
    // openLevelScores of the level, registerScore: of a new element with the score and its
    // date (seconds since 1970), then save. Answers the scores and the new element.
    virtual Recorded registerScore(const std::shared_ptr<JTAppBase::LevelInfo>& level,
                                   int32_t score, double date) = 0;
};

}  // namespace app
