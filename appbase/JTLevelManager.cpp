#include "appbase/JTLevelManager.h"

#include "appbase/JTAppContext.h"
#include "core/JTStringBuilder.h"
#include "util/LogMessage.h"

namespace JTAppBase {

using JTCore::JTArrayListPtr;
using JTCore::JTStringPtr;

JTLevelManager::JTLevelManager(const boost::intrusive_ptr<JTAppContext>& context)
    : context_(context),
      levels_(JTCore::JTNew<JTCore::JTArrayList>()),
      menuItems_(JTCore::JTNew<JTCore::JTArrayList>()) {}

void JTLevelManager::createMenuItems(const JTArrayListPtr& levels,
                                     const JTArrayListPtr& menuItems) {
    if (!levels || !menuItems) return;
    for (int32_t i = 0; i < levels->size(); ++i) {
        // A row without a level could be neither labelled nor started; leave it out.
        auto level = DynamicCastLevelInfo(levels->get(i));
        if (!level) continue;
        if (auto item = newMenuItem(i, level)) menuItems->add(item);
    }
}

JTLevelMenuItemPtr JTLevelManager::newMenuItem(int32_t, const JTLevelInfoPtr& level) {
    return JTCore::JTNew<JTLevelMenuItem>(JTLevelManagerPtr(this), level);
}

void JTLevelManager::reset() {
    levels_->clear();
    initLevels(levels_);
    markMenuItemsDirty();
}

int32_t JTLevelManager::indexOfLevel(int32_t levelId) {
    for (int32_t i = levels_->size() - 1; i >= 0; --i) {
        auto level = DynamicCastLevelInfo(levels_->get(i));
        if (level && level->getId() == levelId) return i;
    }
    return -1;
}

std::vector<int32_t> JTLevelManager::getLevelIds() const {
    std::vector<int32_t> ids;
    for (int32_t i = 0; i < levels_->size(); ++i) {
        if (auto level = DynamicCastLevelInfo(levels_->get(i))) ids.push_back(level->getId());
    }
    return ids;
}

JTCore::JTObjectPtr JTLevelManager::loadLevelData(const JTLevelInfoPtr&) {
    return nullptr;
}

JTLevelInfoPtr JTLevelManager::newLevelInfo(int32_t levelId) {
    return NewJTLevelInfo(getAppContext(), levelId);
}

JTStringPtr JTLevelManager::getLevelDescription(const JTLevelInfoPtr& level) {
    return level ? level->getDescription() : nullptr;
}

JTStringPtr JTLevelManager::getLevelInfoText(const JTLevelInfoPtr& level) {
    if (!level) return nullptr;
    if (!infoTextPrefix_) return level->getTitle();
    // A level without a title still gets the prefix rather than failing.
    auto text = JTCore::JTNew<JTCore::JTStringBuilder>();
    text->append(infoTextPrefix_);
    if (auto title = level->getTitle()) text->append(title);
    return JTCore::NewJTString(text->text());
}

JTStringPtr JTLevelManager::getLevelTitle(const JTLevelInfoPtr& level) {
    return level ? level->getTitle() : nullptr;
}

JTStringPtr JTLevelManager::getLevelMenuTitle(const JTLevelInfoPtr& level) {
    return level ? level->getTitle() : nullptr;
}

JTLevelInfoPtr JTLevelManager::getNextLevelInfo(const JTLevelInfoPtr&) {
    return nullptr;
}

void JTLevelManager::onGameOver(int32_t, int32_t) {}

void JTLevelManager::showMessage(const JTStringPtr& title, const JTStringPtr& message) {
    if (pending_) {
        pending_->push_back(JTCore::ToUtf8(title));
        pending_->push_back(JTCore::ToUtf8(message));
        return;
    }
    if (auto context = getAppContext()) {
        context->showMessage(title ? title : JTCore::JTString::empty(),
                             message ? message : JTCore::JTString::empty());
    } else {
        util::LogMessage("JTLevelManager::showMessage", 3,
                         "no context to show: " + JTCore::ToUtf8(title));
    }
}

boost::intrusive_ptr<JTAppContext> JTLevelManager::getAppContext() const {
    return context_.lock();
}

JTLevelInfoPtr JTLevelManager::getLevelInfoById(int32_t levelId) {
    if (auto context = getAppContext()) {
        auto current = context->getLevelInfo();
        if (current && current->getId() == levelId) return current;
    }
    int32_t index = indexOfLevel(levelId);
    return index >= 0 ? DynamicCastLevelInfo(levels_->get(index)) : nullptr;
}

JTArrayListPtr JTLevelManager::getMenuItems() {
    if (menuItemsDirty_) {
        menuItems_->clear();
        createMenuItems(levels_, menuItems_);
        menuItemsDirty_ = false;
    }
    return menuItems_;
}

int32_t JTLevelManager::getMenuIndexOfLevel(int32_t levelId) {
    auto items = getMenuItems();
    for (int32_t i = 0; i < items->size(); ++i) {
        auto item = DynamicCastLevelMenuItem(items->get(i));
        auto level = item ? item->getLevelInfo() : nullptr;
        if (level && level->getId() == levelId) return i;
    }
    return -1;
}

int32_t JTLevelManager::getSelectableLevelId(int32_t levelId) {
    auto items = getMenuItems();
    int32_t result = 0;
    for (int32_t i = 0; i < items->size(); ++i) {
        auto item = DynamicCastLevelMenuItem(items->get(i));
        auto level = item ? item->getLevelInfo() : nullptr;
        if (!level) continue;
        if (item->isLocked()) {
            auto context = getAppContext();
            if (!context || !context->isDebug()) continue;
        }
        int32_t id = level->getId();
        if (id == levelId) return levelId;
        if (id == preferredLevelId_) {
            result = id;
        } else if (result == 0) {
            result = id;
        }
    }
    return result;
}

void JTLevelManager::beginPendingMessages() {
    pending_.emplace();
}

std::optional<std::vector<std::string>> JTLevelManager::takePendingMessages() {
    std::optional<std::vector<std::string>> taken;
    if (pending_ && !pending_->empty()) taken = std::move(*pending_);
    pending_.reset();
    return taken;
}

}  // namespace JTAppBase
