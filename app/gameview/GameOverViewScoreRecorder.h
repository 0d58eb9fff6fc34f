#pragma once

// Stores a finished run's score in the level's score file and hands the scores on to the
// game-over screen, which shows them. Installed once at start-up with install().

#include "app/gameview/GameViewBaseScores.h"

namespace app {

class GameOverViewScoreRecorder : public GameViewScoreRecorder {
  public:
    // Makes the game view record every run's score through one of these.
    static void install();

    Recorded registerScore(const std::shared_ptr<JTAppBase::LevelInfo>& level, int32_t score,
                           double date) override;
};

}  // namespace app
