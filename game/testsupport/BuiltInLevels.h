#pragma once

// A level manager holding the game's two level ids (1 and 3) as bare records, and starting
// nothing: for tests that need levels to exist but not to play.

#include "appbase/JTLevelManager.h"

namespace gametest {

class BuiltInLevels : public JTAppBase::JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;
    void initLevels(const JTCore::JTArrayListPtr& levels) override {
        levels->add(newLevelInfo(1));
        levels->add(newLevelInfo(3));
    }
    void startLevel(int32_t) override {}
};

}  // namespace gametest
