#include "app/appcore/DlLevelsSupportAppCore.h"

#include "app/appcore/AppCoreBase.h"
#include "online/DlLevelsSupport.h"

namespace app {

std::shared_ptr<DlLevelsSupportAppCore> DlLevelsSupportAppCore::create(
    std::weak_ptr<AppCoreBase> appCore) {
    auto self = std::make_shared<DlLevelsSupportAppCore>();
    self->appCore_ = std::move(appCore);
    self->support_ = online::DlLevelsSupport::initWithAppCore(self);
    return self;
}

bool DlLevelsSupportAppCore::handleOpenURL(const std::string& url) {
    return support_ && support_->handleOpenURL(url);
}

JTAppBase::JTAppContextPtr DlLevelsSupportAppCore::dlAppContext() {
    auto core = appCore_.lock();
    return core ? core->appContext() : nullptr;
}

std::string DlLevelsSupportAppCore::downloadLevelUrlWithLevelId(int32_t levelId, int64_t dh,
                                                                int64_t tk) const {
    auto core = appCore_.lock();
    return core ? core->downloadLevelUrlWithLevelId(levelId, dh, tk) : std::string();
}

void DlLevelsSupportAppCore::stopAllSounds() {
    if (auto core = appCore_.lock()) core->stopLoopingEffects(true, true);
}

void DlLevelsSupportAppCore::stopAllViews() {
    if (auto core = appCore_.lock()) core->stopAllViews();
}

void DlLevelsSupportAppCore::startTitleView() {
    if (auto core = appCore_.lock()) core->startTitleView();
}

void DlLevelsSupportAppCore::startGameView() {
    if (auto core = appCore_.lock()) core->startGameView();
}

void DlLevelsSupportAppCore::setCurrentLevelId(int32_t levelId) {
    if (auto core = appCore_.lock()) core->setCurrentLevelId(levelId);
}

void DlLevelsSupportAppCore::saveSettings() {
    if (auto core = appCore_.lock()) core->saveSettings();
}

bool DlLevelsSupportAppCore::updateInterfaceOrientation() {
    auto core = appCore_.lock();
    return core && core->updateInterfaceOrientation();
}

void DlLevelsSupportAppCore::showSimpleAlert(const std::string& title, const std::string& message) {
    if (auto core = appCore_.lock()) core->showSimpleAlert(title, message);
}

}  // namespace app
