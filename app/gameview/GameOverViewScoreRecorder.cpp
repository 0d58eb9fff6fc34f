#include "app/gameview/GameOverViewScoreRecorder.h"

#include "scores/LevelScoreElem.h"
#include "scores/LevelScores.h"
#include "util/LogMessage.h"

namespace app {

GameViewScoreRecorder::Recorded GameOverViewScoreRecorder::registerScore(
    const std::shared_ptr<JTAppBase::LevelInfo>& level, int32_t score, double date) {
    Recorded recorded;
    recorded.scores = scores::OpenLevelScores(level, signer_);
    if (!recorded.scores) return recorded;
    recorded.currentScore = scores::LevelScoreElem::create(score, platform::Date{date});
    recorded.scores->registerScore(recorded.currentScore);
    // The screen still shows the run when the file could not be written.
    if (!recorded.scores->save()) {
        util::LogMessage("-[GameOverViewScoreRecorder registerScore]", 3,
                         "the score was not stored");
    }
    return recorded;
}

}  // namespace app
