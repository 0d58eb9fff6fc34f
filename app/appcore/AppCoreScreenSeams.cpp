#include "app/appcore/AppCoreScreenSeams.h"

#include "app/appcore/AppCoreBase.h"
#include "app/screens/SimpleSelectView.h"
#include "app/screens/ViewControllerBase.h"

namespace app {

using Orientation = platform::ui::InterfaceOrientation;

std::shared_ptr<platform::ui::Window> AppCoreScreenSeams::window() const {
    return ask(std::shared_ptr<platform::ui::Window>(),
               [](AppCoreBase& c) { return c.screens().window(); });
}

void AppCoreScreenSeams::setRootViewController(std::shared_ptr<ViewControllerBase> vc) {
    tell([&](AppCoreBase& c) { c.setRootViewController(std::move(vc)); });
}

Orientation AppCoreScreenSeams::interfaceOrientation() const {
    return ask(platform::ui::OrientationPortrait,
               [](AppCoreBase& c) { return c.screens().orientation(); });
}

std::string AppCoreScreenSeams::soundVolumeString() const {
    return ask(std::string(), [](AppCoreBase& c) { return c.settings().soundVolumeString(); });
}

int AppCoreScreenSeams::toggleSoundVolume() {
    return ask(0, [](AppCoreBase& c) { return c.settings().toggleSoundVolume(); });
}

void AppCoreScreenSeams::saveSettings() {
    tell([](AppCoreBase& c) { c.saveSettings(); });
}

void AppCoreScreenSeams::updateSoundSetting() {
    tell([](AppCoreBase& c) { c.updateSoundSetting(); });
}

void AppCoreScreenSeams::startTitleView() {
    tell([](AppCoreBase& c) { c.startTitleView(); });
}

void AppCoreScreenSeams::resumeGameView() {
    tell([](AppCoreBase& c) { c.resumeGameView(); });
}

void AppCoreScreenSeams::stopGameView() {
    tell([](AppCoreBase& c) { c.stopGameView(); });
}

JTAppBase::JTScenePtr AppCoreScreenSeams::currentGameScene() const {
    return ask(JTAppBase::JTScenePtr(), [](AppCoreBase& c) { return c.currentGameScene(); });
}

void AppCoreScreenSeams::transitionAnimation(platform::ui::AnimationTransition kind,
                                             double duration) {
    tell([&](AppCoreBase& c) { c.transitionAnimation(kind, duration); });
}

void AppCoreScreenSeams::stopToolsView() {
    tell([](AppCoreBase& c) { c.stopToolsView(); });
}

JTAppBase::JTAppContextPtr AppCoreScreenSeams::appContext() const {
    return ask(JTAppBase::JTAppContextPtr(), [](AppCoreBase& c) { return c.appContext(); });
}

std::string AppCoreScreenSeams::appCopyrightString() const {
    return ask(std::string(), [](AppCoreBase& c) { return c.appCopyrightString(); });
}

int32_t AppCoreScreenSeams::currentLevelId() {
    return ask(int32_t(0), [](AppCoreBase& c) { return c.settings().currentLevelId; });
}

void AppCoreScreenSeams::setCurrentLevelId(int32_t id) {
    tell([id](AppCoreBase& c) { c.setCurrentLevelId(id); });
}

std::shared_ptr<JTAppBase::LevelInfo> AppCoreScreenSeams::currentLevelInfo() {
    return ask(std::shared_ptr<JTAppBase::LevelInfo>(),
               [](AppCoreBase& c) { return c.currentLevelInfo(); });
}

bool AppCoreScreenSeams::updateInterfaceOrientation() {
    return ask(false, [](AppCoreBase& c) { return c.updateInterfaceOrientation(); });
}

std::shared_ptr<SimpleSelectView> AppCoreScreenSeams::simpleSelectView() {
    return ask(std::shared_ptr<SimpleSelectView>(),
               [](AppCoreBase& c) { return c.simpleSelectView(); });
}

void AppCoreScreenSeams::startGameViewFromTitle() {
    tell([](AppCoreBase& c) { c.startGameViewFromTitle(); });
}

void AppCoreScreenSeams::startToolsView() {
    tell([](AppCoreBase& c) { c.startToolsView(); });
}

bool AppCoreScreenSeams::webJump(int32_t tgt, int32_t levelId) {
    return ask(false, [&](AppCoreBase& c) { return c.webJump(tgt, levelId); });
}

bool AppCoreScreenSeams::landscape() const {
    return ask(false, [](AppCoreBase& c) { return c.screens().landscape(); });
}

void AppCoreScreenSeams::startGameView() {
    tell([](AppCoreBase& c) { c.startGameView(); });
}

bool AppCoreScreenSeams::webSubmitScore(const WebScore& score, int32_t levelId,
                                        const std::optional<WebScore>& highScore, bool useHs) {
    return ask(false,
               [&](AppCoreBase& c) { return c.webSubmitScore(score, levelId, highScore, useHs); });
}

std::shared_ptr<online::DuRezSupport> AppCoreScreenSeams::duRezSupport() const {
    return ask(std::shared_ptr<online::DuRezSupport>(),
               [](AppCoreBase& c) { return c.duRezSupport(); });
}

const std::string& AppCoreScreenSeams::appDisplayName() const {
    static const std::string none;
    auto core = core_.lock();
    return core ? core->appDisplayName() : none;
}

std::string AppCoreScreenSeams::appVersionString() const {
    return ask(std::string(), [](AppCoreBase& c) { return c.appVersionString(); });
}

std::string AppCoreScreenSeams::iphoneWebUrl() const {
    return ask(std::string(), [](AppCoreBase& c) { return c.iphoneWebUrl(); });
}

scores::ScoreSigner AppCoreScreenSeams::scoreSigner() const {
    // Not through ask(): GCC 12 at -O2 takes the optional key inside a conditional copy for
    // one used uninitialised (a false warning in every release build).
    if (auto core = core_.lock()) return core->scoreSigner();
    return {};
}

bool AppCoreScreenSeams::webSubmitScore(const scores::LevelScoreElem& score, int32_t levelId,
                                        const scores::LevelScoreElem* highScore, bool useHs) {
    return ask(false,
               [&](AppCoreBase& c) { return c.webSubmitScore(score, levelId, highScore, useHs); });
}

int32_t AppCoreScreenSeams::accelerometerCalibrationType() const {
    return ask(int32_t(0), [](AppCoreBase& c) { return c.accelerometerCalibrationType(); });
}

bool AppCoreScreenSeams::hasMusicResources() const {
    return ask(false, [](AppCoreBase& c) { return c.hasMusicResources(); });
}

int32_t AppCoreScreenSeams::bgMusicMode() const {
    return ask(int32_t(0), [](AppCoreBase& c) { return c.settings().bgMusicMode; });
}

void AppCoreScreenSeams::setBgMusicMode(int32_t mode) {
    tell([mode](AppCoreBase& c) { c.settings().bgMusicMode = mode; });
}

bool AppCoreScreenSeams::supportsContentsScale() {
    return ask(false, [](AppCoreBase& c) { return c.supportsContentsScale(); });
}

int32_t AppCoreScreenSeams::contentsScaleIndexSetting() const {
    return ask(int32_t(0), [](AppCoreBase& c) { return c.settings().contentsScaleIndexSetting; });
}

void AppCoreScreenSeams::setContentsScaleIndexSetting(int32_t setting) {
    tell([setting](AppCoreBase& c) { c.settings().contentsScaleIndexSetting = setting; });
}

void AppCoreScreenSeams::updateContentsScaleIndex() {
    tell([](AppCoreBase& c) { c.updateContentsScaleIndex(); });
}

void AppCoreScreenSeams::releaseResources() {
    tell([](AppCoreBase& c) { c.releaseResources(); });
}

NeutralAccelerometer AppCoreScreenSeams::neutralAccelerometerFor(Orientation orientation) {
    return ask(NeutralAccelerometer(),
               [orientation](AppCoreBase& c) { return c.neutralAccelerometerFor(orientation); });
}

void AppCoreScreenSeams::setNeutralAcceleromterFor(Orientation orientation, double x, double y,
                                                   double z) {
    tell([&](AppCoreBase& c) { c.setNeutralAcceleromterFor(orientation, x, y, z); });
}

void AppCoreScreenSeams::resetNeutralAcceleromterValueFor(Orientation orientation) {
    tell([orientation](AppCoreBase& c) { c.resetNeutralAcceleromterValueFor(orientation); });
}

}  // namespace app
