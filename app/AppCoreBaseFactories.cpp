// The screens the app core makes, with their interface files. The title, game, game-over and
// tool screens are not part of this program yet: their factories answer nothing, and the
// operations that would show them leave the screen as it is.

#include "app/AppCoreBase.h"
#include "app/AppGameView.h"
#include "app/PauseView.h"
#include "app/SimpleSelectView.h"
#include "app/ViewControllerBase.h"

std::shared_ptr<ViewControllerBase> AppCoreBase::createTitleView() {
    return nullptr;
}

std::shared_ptr<AppGameView> AppCoreBase::createGameView() {
    return nullptr;
}

std::shared_ptr<PauseView> AppCoreBase::createPauseView() {
    return ViewControllerBase::make<PauseView>("Pause" + nibSuffixRotation());
}

std::shared_ptr<ViewControllerBase> AppCoreBase::createGameOverView() {
    return nullptr;
}

std::shared_ptr<SimpleSelectView> AppCoreBase::createSimpleSelectView() {
    return ViewControllerBase::make<SimpleSelectView>("SimpleSelect" + nibSuffixRotation());
}

std::vector<std::shared_ptr<ViewControllerBase>> AppCoreBase::createToolsViewContents() {
    return {};
}
