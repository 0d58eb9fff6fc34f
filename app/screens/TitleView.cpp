#include "app/screens/TitleView.h"

#include "app/screens/ShellAlerts.h"
#include "app/screens/TitleViewDefaultLevelSelectDelegate.h"
#include "appbase/JTLevelManager.h"
#include "sound/SoundObj.h"

namespace app {

TitleView::TitleView(std::string nibName) : ViewControllerBase(std::move(nibName)) {
    outlet("copyrightLabel", copyrightLabel_);
    outlet("levelSelectBtn", levelSelectBtn_);
    outlet("startGameBtnWithSelector", startGameBtnWithSelector_);
    outlet("startGameBtnWithoutSelector", startGameBtnWithoutSelector_);
    action("onGameStartBtn", [this](platform::ui::Control*) { onGameStartBtn(); });
    action("onHowToPlayBtn", [this](platform::ui::Control*) { onHowToPlayBtn(); });
    action("onOtherGamesBtn", [this](platform::ui::Control*) { onOtherGamesBtn(); });
    action("onMoreLevelsBtn", [this](platform::ui::Control*) { onMoreLevelsBtn(); });
    action("onSettingBtn", [this](platform::ui::Control*) { onSettingBtn(); });
    action("onSelectLevelBtn", [this](platform::ui::Control*) { onSelectLevelBtn(); });
}

TitleView::~TitleView() = default;

std::string TitleView::interfaceFileName(const std::string& orientationSuffix,
                                         const JTAppBase::JTAppContextPtr& context) {
    auto manager = context ? context->getLevelManager() : nullptr;
    bool dlLevels = manager && manager->canDownloadLevels();
    return "Title" + orientationSuffix + (dlLevels ? "_DlLevels" : "");
}

void TitleView::setAppCore(std::weak_ptr<TitleViewCore> core) {
    AppCoreOrientation::setAppCore(core);
    titleCore_ = std::move(core);
}

void TitleView::viewWillAppear(bool animated) {
    ViewControllerBase::viewWillAppear(animated);
    auto core = titleCore();
    auto context = core ? core->appContext() : nullptr;
    auto manager = context ? context->getLevelManager() : nullptr;
    if (manager) {
        menuItems_ = manager->getMenuItems();
        core->setCurrentLevelId(manager->getSelectableLevelId(core->currentLevelId()));
        int index = manager->getMenuIndexOfLevel(core->currentLevelId());
        selectedIndex_ = index < 1 ? 0 : index;
    } else {
        menuItems_.reset();
        selectedIndex_ = 0;
    }

    // Set both ways on every appearance: the menu may have grown since the last one.
    if (startGameBtnWithSelector_ && startGameBtnWithoutSelector_) {
        int count = menuItems_ ? menuItems_->size() : 0;
        bool withSelector = !levelSelectBtn_ || count > 1;
        startGameBtnWithoutSelector_->setHidden(withSelector);
        startGameBtnWithSelector_->setHidden(!withSelector);
        if (levelSelectBtn_) levelSelectBtn_->setHidden(!withSelector);
    }
    view()->setBackgroundColor(platform::Color::rgba(40 / 255.0f, 87 / 255.0f, 149 / 255.0f, 1));
    sound::SoundObj::stopLoopingEffects(true, true);
    updateView();
}

void TitleView::updateView() {
    auto core = titleCore();
    if (copyrightLabel_ && core) copyrightLabel_->setText(core->appCopyrightString());
    if (levelSelectBtn_ && !levelSelectBtn_->isHidden()) {
        auto item = menuItemAt(selectedIndex_);
        auto title = item ? item->getMenuTitle() : nullptr;
        SetButtonTitle(*levelSelectBtn_, title ? title->toUtf8() : std::string());
    }
}

JTAppBase::JTLevelMenuItemPtr TitleView::menuItemAt(int index) const {
    // An empty or shrunken menu must not turn a stale index into an exception.
    if (!menuItems_ || index < 0 || index >= menuItems_->size()) return nullptr;
    return JTAppBase::DynamicCastLevelMenuItem(menuItems_->get(index));
}

std::shared_ptr<SimpleSelectViewDelegate> TitleView::newLevelSelectDelegate() {
    return std::make_shared<TitleView_DefaultLevelSelectDelegate>(
        std::static_pointer_cast<TitleView>(shared_from_this()), menuItems_);
}

void TitleView::onGameStartBtn() {
    auto keep = shared_from_this();
    stop();
    if (auto core = titleCore()) core->startGameViewFromTitle();
}

void TitleView::onHowToPlayBtn() {
    if (auto core = titleCore()) core->webJump(kWebHowToPlay, 0);
}

void TitleView::onOtherGamesBtn() {
    if (auto core = titleCore()) core->webJump(kWebOtherGames, 0);
}

void TitleView::onMoreLevelsBtn() {
    auto core = titleCore();
    if (!core) return;
    auto level = core->currentLevelInfo();
    core->webJump(kWebMoreLevels, level ? level->webLevelId() : 0);
}

void TitleView::onSettingBtn() {
    auto keep = shared_from_this();
    stop();
    auto core = titleCore();
    if (!core) return;
    core->startToolsView();
    core->transitionAnimation(platform::ui::AnimationTransition::FlipFromRight, 0.5);
}

void TitleView::onSelectLevelBtn() {
    auto keep = shared_from_this();
    if (!levelSelectDelegate_) levelSelectDelegate_ = newLevelSelectDelegate();
    stop();
    auto core = titleCore();
    if (!core) return;
    auto select = core->simpleSelectView();
    if (!select) return;
    select->startWithDelegate(levelSelectDelegate_, "Select a Level", selectedIndex_);
    core->transitionAnimation(platform::ui::AnimationTransition::FlipFromRight, 0.5);
    select->closeWhenSuspend();
}

}  // namespace app
