#pragma once

#include "appbase/JTIntIntMap.h"
#include "appbase/JTLevelManager.h"
#include "appbase/UnlockByScoreRule.h"

namespace JTAppBase {

// A level manager whose levels are earned: a level stays locked in the menu until a run on
// another level reaches a rule's score. Unlocked levels are remembered in the unlock map file
// ("unlockinglevels.plist" in Documents); a run that unlocks something queues a
// "Congratulations!" notice.
class UnlockByScoresLevelManager : public JTLevelManager {
  public:
    explicit UnlockByScoresLevelManager(const boost::intrusive_ptr<JTAppContext>& context);

    JTLevelMenuItemPtr newMenuItem(int32_t index, const JTLevelInfoPtr& level) override;
    void reset() override;
    void onGameOver(int32_t levelId, int32_t score) override;

    virtual JTCore::JTStringPtr getUnlockMapName();
    // Applies the copy rules: a level takes the unlocked value of its source level.
    virtual void copyUnlockState();
    // True when the level was locked until now. Does not write the file.
    virtual bool unlockLevel(int32_t levelId);
    virtual void addUnlockRules(const JTCore::JTArrayListPtr& rules) = 0;

    // Loaded from the file on first use after construction or reset.
    JTIntIntMapPtr getUnlockMap();
    // False when the file could not be written; the write is then tried again at the next use
    // of the map, so an unlock the player earned is not lost to a passing disk error.
    bool saveUnlockMap();
    void lockMenuItem(const JTLevelMenuItemPtr& item, const JTCore::JTStringPtr& message);

    bool hasUnsavedUnlocks() const { return savePending_; }

  private:
    void loadUnlockMapIfNeeded();
    bool writeUnlockMap();
    // The level's menu title, or its id when no such level (or title) exists.
    JTCore::JTStringPtr levelNameFor(int32_t levelId);

    JTIntIntMapPtr unlockMap_;
    JTCore::JTArrayListPtr rules_;
    bool savePending_ = false;
};

}  // namespace JTAppBase
