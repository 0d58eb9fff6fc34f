// The screens the app core makes, with their interface files: the one place that knows every
// concrete screen class. A subclass whose factory answers nothing (tests do this) leaves the
// screen as it is when that screen would be shown.

#include "app/appcore/AppCoreBase.h"
#include "app/appcore/AppCoreGameViewHost.h"
#include "app/gameview/AppGameView.h"
#include "app/gameview/MyGameView.h"
#include "app/screens/MyGameOverView.h"
#include "app/screens/MyTitleView.h"
#include "app/screens/PauseView.h"
#include "app/screens/SimpleSelectView.h"
#include "app/screens/ToolViewControllerBase.h"
#include "app/screens/ViewControllerBase.h"
#include "appbase/JTLevelManager.h"

namespace app {

std::shared_ptr<ViewControllerBase> AppCoreBase::createTitleView() {
    return ViewControllerBase::make<MyTitleView>(
        TitleView::interfaceFileName(nibSuffixRotation(), appContext_));
}

std::shared_ptr<AppGameView> AppCoreBase::createGameView() {
    return MyGameView::create(AppCoreGameViewHost::create(weak_from_this()), interfaceOrientation_);
}

std::shared_ptr<PauseView> AppCoreBase::createPauseView() {
    return ViewControllerBase::make<PauseView>("Pause" + nibSuffixRotation());
}

std::shared_ptr<ViewControllerBase> AppCoreBase::createGameOverView() {
    auto manager = appContext_ ? appContext_->getLevelManager() : nullptr;
    const bool dlLevels =
        manager && (manager->showsDlLevelsOnGameOver() || manager->canDownloadLevels());
    return ViewControllerBase::make<MyGameOverView>("GameOver" + nibSuffixRotation() + "_Free" +
                                                    (dlLevels ? "_DlLevels" : ""));
}

std::shared_ptr<SimpleSelectView> AppCoreBase::createSimpleSelectView() {
    return ViewControllerBase::make<SimpleSelectView>("SimpleSelect" + nibSuffixRotation());
}

std::vector<std::shared_ptr<ViewControllerBase>> AppCoreBase::createToolsViewContents() {
    return ToolViewControllerBase::makeToolsViewContents(nibSuffixRotation());
}

}  // namespace app
