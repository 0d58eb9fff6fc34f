#include "app/GameOverViewScoreRecorder.h"

#include "app/GameViewBase.h"
#include "app/util/LogMessage.h"
#include "online/LevelScoreElem.h"
#include "online/LevelScores.h"

void GameOverViewScoreRecorder::install() {
    GameViewBase::setScoreRecorder(std::make_shared<GameOverViewScoreRecorder>());
}

GameViewScoreRecorder::Recorded GameOverViewScoreRecorder::registerScore(
    const std::shared_ptr<JTAppBase::LevelInfo>& level, int32_t score, double date) {
    Recorded recorded;
    recorded.scores = OpenLevelScores(level);
    if (!recorded.scores) return recorded;
    recorded.currentScore = LevelScoreElem::create(score, platform::Date{date});
    recorded.scores->registerScore(recorded.currentScore);
    // The screen still shows the run when the file could not be written.
    if (!recorded.scores->save()) {
        LogMessage("-[GameOverViewScoreRecorder registerScore]", 3, "the score was not stored");
    }
    return recorded;
}
