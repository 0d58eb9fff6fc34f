#pragma once

#include "appbase/JTLevelManager.h"

namespace JTAppBase {

// A level manager over downloaded level files. This game has none; the level download checks
// for this type and turns every download away when the game's manager is not one.
class FilesLevelManager : public JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;

    bool usesLevelHashes() override { return true; }
    // Takes a downloaded level so that getLevelInfoById finds it afterwards.
    virtual void addDownloadedLevel(const JTLevelInfoPtr& level) = 0;
};

}  // namespace JTAppBase
