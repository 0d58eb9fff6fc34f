#include "app/screens/TitleViewDefaultLevelSelectDelegate.h"

#include "app/screens/ShellAlerts.h"
#include "app/screens/TitleView.h"
#include "appbase/JTLevelManager.h"

namespace app {

TitleView_DefaultLevelSelectDelegate::TitleView_DefaultLevelSelectDelegate(
    std::weak_ptr<TitleView> titleView, JTCore::JTArrayListPtr menuItems)
    : titleView_(std::move(titleView)), menuItems_(std::move(menuItems)) {
    auto view = titleView_.lock();
    auto core = view ? view->titleCore() : nullptr;
    auto context = core ? core->appContext() : nullptr;
    auto manager = context ? context->getLevelManager() : nullptr;
    useDL_ = manager && manager->canDownloadLevels();
}

int TitleView_DefaultLevelSelectDelegate::menuCount() const {
    return menuItems_ ? menuItems_->size() : 0;
}

JTAppBase::JTLevelMenuItemPtr TitleView_DefaultLevelSelectDelegate::menuItemAt(int index) const {
    if (!menuItems_ || index < 0 || index >= menuItems_->size()) return nullptr;
    return JTAppBase::DynamicCastLevelMenuItem(menuItems_->get(index));
}

int TitleView_DefaultLevelSelectDelegate::itemsNum() {
    return menuCount() + additionalMenuItemsNum();
}

std::string TitleView_DefaultLevelSelectDelegate::itemLabelAt(int index) {
    if (isMoreLevelsRow(index)) return "More Levels ...";
    auto item = menuItemAt(index);
    auto label = item ? item->getLabel() : nullptr;
    return label ? label->toUtf8() : std::string();
}

std::optional<std::string> TitleView_DefaultLevelSelectDelegate::itemInfoTextAt(int index) {
    if (isMoreLevelsRow(index)) return "Get more levels now!\n(Press Done button to proceed)";
    auto item = menuItemAt(index);
    if (!item) return std::nullopt;
    if (item->isLocked()) {
        auto message = item->getLockMessage();
        return message ? std::optional(message->toUtf8()) : std::nullopt;
    }
    auto description = item->getDescription();
    if (!description) return "Select a level you want to play.";
    return description->toUtf8();
}

bool TitleView_DefaultLevelSelectDelegate::canBeDoneWithIndex(int index, SimpleSelectView&) {
    if (isMoreLevelsRow(index)) return true;
    auto item = menuItemAt(index);
    // A row that is no level at all cannot be played either.
    if (!item) return false;
    if (!item->isLocked()) return true;
    auto label = item->getLabel();
    auto message = item->getLockMessage();
    ShowSimpleAlert(label ? label->toUtf8() : std::string(),
                    message ? message->toUtf8() : std::string());
    return false;
}

void TitleView_DefaultLevelSelectDelegate::jumpToMoreLevels() {
    auto view = titleView_.lock();
    auto core = view ? view->titleCore() : nullptr;
    if (!core) return;
    auto level = core->currentLevelInfo();
    core->webJump(kWebGetMoreLevels, level ? level->webLevelId() : 0);
}

void TitleView_DefaultLevelSelectDelegate::didBeDoneWithIndex(int index, SimpleSelectView&) {
    if (isMoreLevelsRow(index)) {
        jumpToMoreLevels();
        return;
    }
    auto view = titleView_.lock();
    auto core = view ? view->titleCore() : nullptr;
    auto item = menuItemAt(index);
    auto level = item ? item->getLevelInfo() : nullptr;
    if (!core || !level) return;
    core->setCurrentLevelId(level->getId());
    core->saveSettings();
    view->updateView();
    core->updateInterfaceOrientation();
}

void TitleView_DefaultLevelSelectDelegate::startNextView() {
    auto view = titleView_.lock();
    if (auto core = view ? view->titleCore() : nullptr) core->startTitleView();
}

}  // namespace app
