#include "appbase/UnlockByScoresLevelManager.h"

#include <string>

#include "appbase/JTAppContext.h"
#include "core/JTStringBuilder.h"
#include "util/LogMessage.h"

namespace JTAppBase {

using JTCore::JTStringBuilder;
using JTCore::JTStringPtr;

namespace {

std::vector<UnlockByScoreRulePtr> rulesOf(const JTCore::JTArrayListPtr& list) {
    std::vector<UnlockByScoreRulePtr> rules;
    for (int32_t i = 0; i < list->size(); ++i) {
        if (auto rule = DynamicCastUnlockRule(list->get(i))) rules.push_back(rule);
    }
    return rules;
}

}  // namespace

UnlockByScoresLevelManager::UnlockByScoresLevelManager(
    const boost::intrusive_ptr<JTAppContext>& context)
    : JTLevelManager(context), rules_(JTCore::JTNew<JTCore::JTArrayList>()) {}

JTStringPtr UnlockByScoresLevelManager::getUnlockMapName() {
    return JTCore::NewJTString("unlockinglevels");
}

void UnlockByScoresLevelManager::reset() {
    JTLevelManager::reset();
    rules_->clear();
    addUnlockRules(rules_);
    // Reloading from the file would forget an unlock whose write failed; keep the map in memory
    // until it is safely on disk.
    if (savePending_ && !writeUnlockMap()) return;
    unlockMap_.reset();
}

void UnlockByScoresLevelManager::loadUnlockMapIfNeeded() {
    if (unlockMap_) return;
    unlockMap_ = JTCore::JTNew<JTIntIntMap>();
    unlockMap_->load(getAppContext(), getUnlockMapName());
    copyUnlockState();
}

JTIntIntMapPtr UnlockByScoresLevelManager::getUnlockMap() {
    if (!unlockMap_) {
        loadUnlockMapIfNeeded();
    } else if (savePending_) {
        writeUnlockMap();
    }
    return unlockMap_;
}

bool UnlockByScoresLevelManager::writeUnlockMap() {
    savePending_ = !unlockMap_->save(getAppContext(), getUnlockMapName());
    if (savePending_) {
        util::LogMessage("UnlockByScoresLevelManager::saveUnlockMap", 3,
                         "could not write " + JTCore::ToUtf8(getUnlockMapName()) +
                             ".plist; trying again at the next unlock");
    }
    return !savePending_;
}

bool UnlockByScoresLevelManager::saveUnlockMap() {
    loadUnlockMapIfNeeded();
    return writeUnlockMap();
}

void UnlockByScoresLevelManager::copyUnlockState() {
    auto map = unlockMap_ ? unlockMap_ : getUnlockMap();
    bool changed = false;
    for (const auto& rule : rulesOf(rules_)) {
        if (rule->getScore() != UnlockByScoreRule::kCopyRule) continue;
        int32_t from = rule->getLevelId();
        int32_t to = rule->getUnlockLevelId();
        int32_t a = map->get(from, 0);
        int32_t b = map->get(to, 0);
        if (a == 0 || b != 0) continue;
        if (auto context = getAppContext()) {
            auto line = JTCore::JTNew<JTStringBuilder>("copy unlocking state from:");
            JTCore::AppendInt(line, from);
            line->append(" to:");
            JTCore::AppendInt(line, to);
            line->append(" value:");
            JTCore::AppendInt(line, a);
            context->logD(line->toString());
        }
        map->put(to, a);
        changed = true;
    }
    if (changed) saveUnlockMap();
}

bool UnlockByScoresLevelManager::unlockLevel(int32_t levelId) {
    auto map = getUnlockMap();
    if (map->get(levelId, 0) != 0) return false;
    map->put(levelId, 1);
    return true;
}

JTStringPtr UnlockByScoresLevelManager::levelNameFor(int32_t levelId) {
    // A rule may name a level this build does not have; its id is the best name we know.
    if (auto level = getLevelInfoById(levelId)) {
        if (auto title = getLevelMenuTitle(level)) return title;
    }
    return JTCore::NewJTString(std::to_string(levelId));
}

JTLevelMenuItemPtr UnlockByScoresLevelManager::newMenuItem(int32_t index,
                                                           const JTLevelInfoPtr& level) {
    auto item = JTLevelManager::newMenuItem(index, level);
    if (!item || !level) return item;
    int32_t id = level->getId();
    if (getUnlockMap()->get(id, 0) != 0) return item;

    JTCore::JTStringBuilderPtr text;
    int32_t separator = -1;
    for (const auto& rule : rulesOf(rules_)) {
        if (rule->getUnlockLevelId() != id || rule->getScore() < 0) continue;
        if (text) {
            separator = text->length();
            text->append(", ");
            separator += 1;  // just after the comma: " or" goes in there for the last rule
        } else {
            text =
                JTCore::JTNew<JTStringBuilder>("This level is unlocked when you score more than ");
        }
        JTCore::AppendInt(text, rule->getScore());
        text->append(" points in the ");
        text->append(levelNameFor(rule->getLevelId()));
    }
    if (text) {
        if (separator >= 0) text->insert(separator, JTCore::NewJTString(" or"));
        text->append(".");
        lockMenuItem(item, JTCore::NewJTString(text->text()));
    }
    return item;
}

void UnlockByScoresLevelManager::lockMenuItem(const JTLevelMenuItemPtr& item,
                                              const JTStringPtr& message) {
    if (!item) return;
    item->setLockMessage(message);
    auto label = JTCore::JTNew<JTStringBuilder>();
    if (auto current = item->getLabel()) label->append(current);
    label->append(" (Locked)");
    item->setLabel(JTCore::NewJTString(label->text()));
}

void UnlockByScoresLevelManager::onGameOver(int32_t levelId, int32_t score) {
    JTLevelManager::onGameOver(levelId, score);
    JTCore::JTStringBuilderPtr names;
    int32_t separator = -1;
    for (const auto& rule : rulesOf(rules_)) {
        if (rule->getLevelId() != levelId || rule->getScore() < 0 || rule->getScore() > score) {
            continue;
        }
        if (!unlockLevel(rule->getUnlockLevelId())) continue;
        if (names) {
            if (separator >= 0) names->insert(separator, JTCore::NewJTString(","));
            separator = names->length();
            names->append(" ");
        } else {
            names = JTCore::JTNew<JTStringBuilder>();
        }
        names->append(levelNameFor(rule->getUnlockLevelId()));
    }
    if (!names) return;

    saveUnlockMap();
    if (separator >= 0) {
        names->insert(separator, JTCore::NewJTString(" and"));
        names->append(" were");
    } else {
        names->append(" was");
    }
    names->append(" unlocked.\nNow you can select the new level in the Title Menu.");
    markMenuItemsDirty();
    showMessage(JTCore::NewJTString("Congratulations!"), JTCore::NewJTString(names->text()));
}

}  // namespace JTAppBase
