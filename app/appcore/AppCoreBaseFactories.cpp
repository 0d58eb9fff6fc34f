// The screens the app core makes, with their interface files: the one place that knows every
// concrete screen class. A subclass whose factory answers nothing (tests do this) leaves the
// screen as it is when that screen would be shown.

#include "app/appcore/AppCoreBase.h"
#include "app/appcore/AppCoreGameViewHost.h"
#include "app/gameview/AppGameView.h"
#include "app/gameview/MyGameView.h"
#include "app/screens/AboutToolViewController.h"
#include "app/screens/MyGameOverView.h"
#include "app/screens/MySettingsToolViewController.h"
#include "app/screens/MyTitleView.h"
#include "app/screens/PauseView.h"
#include "app/screens/ScoreToolViewController.h"
#include "app/screens/SimpleSelectView.h"
#include "app/screens/ViewControllerBase.h"
#include "appbase/JTLevelManager.h"
#include "platform/ui/InterfaceLoader.h"

namespace app {

std::shared_ptr<ViewControllerBase> AppCoreBase::createTitleView() {
    auto title = ViewControllerBase::make<MyTitleView>(
        TitleView::interfaceFileName(nibSuffixRotation(), appContext_));
    title->setAppCore(std::weak_ptr<TitleViewCore>(weak_from_this()));
    return title;
}

std::shared_ptr<AppGameView> AppCoreBase::createGameView() {
    return MyGameView::create(AppCoreGameViewHost::create(weak_from_this()),
                              screens_.orientation());
}

std::shared_ptr<PauseView> AppCoreBase::createPauseView() {
    return ViewControllerBase::make<PauseView>("Pause" + nibSuffixRotation());
}

std::shared_ptr<ViewControllerBase> AppCoreBase::createGameOverView() {
    auto manager = appContext_ ? appContext_->getLevelManager() : nullptr;
    const bool dlLevels =
        manager && (manager->showsDlLevelsOnGameOver() || manager->canDownloadLevels());
    auto screen = ViewControllerBase::make<MyGameOverView>("GameOver" + nibSuffixRotation() +
                                                           "_Free" + (dlLevels ? "_DlLevels" : ""));
    screen->setAppCore(std::weak_ptr<GameOverViewCore>(weak_from_this()));
    return screen;
}

std::shared_ptr<SimpleSelectView> AppCoreBase::createSimpleSelectView() {
    return ViewControllerBase::make<SimpleSelectView>("SimpleSelect" + nibSuffixRotation());
}

std::vector<std::shared_ptr<ViewControllerBase>> AppCoreBase::createToolsViewContents() {
    // The tools only come laid out for portrait; in landscape they stretch and scroll rather
    // than show empty tabs.
    const std::string nibSuffix = nibSuffixRotation();
    auto fileFor = [&nibSuffix](const std::string& head, const std::string& tail) {
        std::string name = head + nibSuffix + tail;
        return platform::ui::InterfaceLoader::exists(name) ? name : head + "_Portrait" + tail;
    };
    auto scoresTab = ViewControllerBase::make<ScoreToolViewController>(fileFor("Scores", "_Free"));
    scoresTab->setAppCore(std::weak_ptr<ScoreToolCore>(weak_from_this()));
    auto settingsTab =
        ViewControllerBase::make<MySettingsToolViewController>(fileFor("SettingsTool", ""));
    settingsTab->setAppCore(std::weak_ptr<SettingsToolCore>(weak_from_this()));
    auto aboutTab = ViewControllerBase::make<AboutToolViewController>("AboutTool");
    aboutTab->setAppCore(std::weak_ptr<AboutToolCore>(weak_from_this()));
    return {scoresTab, settingsTab, aboutTab};
}

}  // namespace app
