#pragma once

#include <cstdint>

#include "core/JTObject.h"

namespace JTAppBase {

// "A score of at least `score` on level `levelId` unlocks level `unlockLevelId`." A negative
// score never unlocks by score; kCopyRule copies the unlocked state of levelId to unlockLevelId.
class UnlockByScoreRule : public JTCore::JTObject {
  public:
    static constexpr int32_t kCopyRule = -1000;

    UnlockByScoreRule(int32_t levelId, int32_t score, int32_t unlockLevelId)
        : levelId_(levelId), score_(score), unlockLevelId_(unlockLevelId) {}

    virtual int32_t getLevelId() const { return levelId_; }
    virtual int32_t getScore() const { return score_; }
    virtual int32_t getUnlockLevelId() const { return unlockLevelId_; }

  private:
    const int32_t levelId_;
    const int32_t score_;
    const int32_t unlockLevelId_;
};

using UnlockByScoreRulePtr = boost::intrusive_ptr<UnlockByScoreRule>;

inline UnlockByScoreRulePtr DynamicCastUnlockRule(const JTCore::JTObjectPtr& obj) {
    return UnlockByScoreRulePtr(dynamic_cast<UnlockByScoreRule*>(obj.get()));
}

}  // namespace JTAppBase
