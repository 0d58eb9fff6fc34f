#pragma once

#include "appbase/UnlockByScoresLevelManager.h"

namespace JTApp {

// The game's two levels, "Level: Normal" (1) and "Level: Obstacles" (3), the second earned with
// 8000 points on the first.
class MyLevelManager : public JTAppBase::UnlockByScoresLevelManager {
  public:
    using UnlockByScoresLevelManager::UnlockByScoresLevelManager;

    void initLevels(const JTCore::JTArrayListPtr& levels) override;
    // Every level plays the same scene; it reads the level from the context's current level.
    void startLevel(int32_t levelId) override;
    void addUnlockRules(const JTCore::JTArrayListPtr& rules) override;
};

using MyLevelManagerPtr = boost::intrusive_ptr<MyLevelManager>;

}  // namespace JTApp
