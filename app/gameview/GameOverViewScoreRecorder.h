#pragma once

// Stores a finished run's score in the level's score file and hands the scores on to the
// game-over screen, which shows them. The app core's game-view host hands one out.

#include "app/gameview/GameViewBaseScores.h"
#include "scores/ScoreSigner.h"

namespace app {

class GameOverViewScoreRecorder : public GameViewScoreRecorder {
  public:
    explicit GameOverViewScoreRecorder(scores::ScoreSigner signer) : signer_(std::move(signer)) {}

    Recorded registerScore(const std::shared_ptr<JTAppBase::LevelInfo>& level, int32_t score,
                           double date) override;

  private:
    scores::ScoreSigner signer_;
};

}  // namespace app
