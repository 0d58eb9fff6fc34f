#include "app/appcore/ScreenFactory.h"

#include "app/appcore/AppCoreBase.h"
#include "app/appcore/AppCoreGameViewHost.h"
#include "app/appcore/AppCoreScreenSeams.h"
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

std::shared_ptr<ViewControllerBase> ScreenFactory::createTitleView(AppCoreBase& core) {
    auto title = ViewControllerBase::make<MyTitleView>(
        TitleView::interfaceFileName(core.nibSuffixRotation(), core.appContext()));
    title->setAppCore(std::weak_ptr<TitleViewCore>(core.screenSeams()));
    return title;
}

std::shared_ptr<AppGameView> ScreenFactory::createGameView(AppCoreBase& core) {
    return MyGameView::create(AppCoreGameViewHost::create(core.weak_from_this()),
                              core.screens().orientation());
}

std::shared_ptr<PauseView> ScreenFactory::createPauseView(AppCoreBase& core) {
    return ViewControllerBase::make<PauseView>("Pause" + core.nibSuffixRotation());
}

std::shared_ptr<ViewControllerBase> ScreenFactory::createGameOverView(AppCoreBase& core) {
    auto context = core.appContext();
    auto manager = context ? context->getLevelManager() : nullptr;
    const bool dlLevels =
        manager && (manager->showsDlLevelsOnGameOver() || manager->canDownloadLevels());
    auto screen = ViewControllerBase::make<MyGameOverView>("GameOver" + core.nibSuffixRotation() +
                                                           "_Free" + (dlLevels ? "_DlLevels" : ""));
    screen->setAppCore(std::weak_ptr<GameOverViewCore>(core.screenSeams()));
    return screen;
}

std::shared_ptr<SimpleSelectView> ScreenFactory::createSimpleSelectView(AppCoreBase& core) {
    return ViewControllerBase::make<SimpleSelectView>("SimpleSelect" + core.nibSuffixRotation());
}

std::vector<std::shared_ptr<ViewControllerBase>> ScreenFactory::createToolsViewContents(
    AppCoreBase& core) {
    // The tools only come laid out for portrait; in landscape they stretch and scroll rather
    // than show empty tabs.
    const std::string nibSuffix = core.nibSuffixRotation();
    auto fileFor = [&nibSuffix](const std::string& head, const std::string& tail) {
        std::string name = head + nibSuffix + tail;
        return platform::ui::InterfaceLoader::exists(name) ? name : head + "_Portrait" + tail;
    };
    auto scoresTab = ViewControllerBase::make<ScoreToolViewController>(fileFor("Scores", "_Free"));
    scoresTab->setAppCore(std::weak_ptr<ScoreToolCore>(core.screenSeams()));
    auto settingsTab =
        ViewControllerBase::make<MySettingsToolViewController>(fileFor("SettingsTool", ""));
    settingsTab->setAppCore(std::weak_ptr<SettingsToolCore>(core.screenSeams()));
    auto aboutTab = ViewControllerBase::make<AboutToolViewController>("AboutTool");
    aboutTab->setAppCore(std::weak_ptr<AboutToolCore>(core.screenSeams()));
    return {scoresTab, settingsTab, aboutTab};
}

}  // namespace app
