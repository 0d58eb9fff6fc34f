#include "appbase/JTLevelMenuItem.h"

#include "appbase/JTLevelManager.h"

namespace JTAppBase {

JTLevelMenuItem::JTLevelMenuItem(const boost::intrusive_ptr<JTLevelManager>& manager,
                                 JTLevelInfoPtr level)
    : manager_(manager), level_(std::move(level)) {}

// A title screen may keep its copy of the menu a moment longer than the manager lives; the
// item then answers from its level record alone instead of failing.

JTCore::JTStringPtr JTLevelMenuItem::getInfoText() const {
    if (auto m = manager_.lock()) return m->getLevelInfoText(level_);
    return level_ ? level_->getTitle() : nullptr;
}

JTCore::JTStringPtr JTLevelMenuItem::getDescription() const {
    if (auto m = manager_.lock()) return m->getLevelDescription(level_);
    return level_ ? level_->getDescription() : nullptr;
}

JTCore::JTStringPtr JTLevelMenuItem::getMenuTitle() const {
    if (auto m = manager_.lock()) return m->getLevelMenuTitle(level_);
    return level_ ? level_->getTitle() : nullptr;
}

JTCore::JTStringPtr JTLevelMenuItem::getLabel() const {
    if (label_) return label_;
    if (auto m = manager_.lock()) return m->getLevelTitle(level_);
    return level_ ? level_->getTitle() : nullptr;
}

JTLevelMenuItemPtr DynamicCastLevelMenuItem(const JTCore::JTObjectPtr& obj) {
    return JTLevelMenuItemPtr(dynamic_cast<JTLevelMenuItem*>(obj.get()));
}

}  // namespace JTAppBase
