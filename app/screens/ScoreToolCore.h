#pragma once

// What the scores tab needs of the app core: the current level, the signer of its score file,
// and the web service's ranking and score submission.

#include <cstdint>
#include <memory>

#include "app/screens/ToolsCore.h"
#include "appbase/ShellInterfaces.h"
#include "scores/LevelScoreElem.h"
#include "scores/ScoreSigner.h"

namespace app {

class ScoreToolCore : public virtual ToolsCore {
  public:
    virtual std::shared_ptr<JTAppBase::LevelInfo> currentLevelInfo() = 0;
    virtual scores::ScoreSigner scoreSigner() const = 0;
    virtual bool webJump(int32_t tgt, int32_t levelId) = 0;
    virtual bool webSubmitScore(const scores::LevelScoreElem& score, int32_t levelId,
                                const scores::LevelScoreElem* highScore, bool useHs) = 0;
};

}  // namespace app
