#include "app/appcore/AppCoreGameViewHost.h"

#include "app/appcore/AppCoreBase.h"
#include "app/gameview/GameOverViewScoreRecorder.h"
#include "app/textures/Texture2D.h"
#include "platform/ui/Application.h"
#include "sound/SoundObj.h"

namespace app {

std::shared_ptr<AppCoreGameViewHost> AppCoreGameViewHost::create(
    std::weak_ptr<AppCoreBase> appCore) {
    return std::shared_ptr<AppCoreGameViewHost>(new AppCoreGameViewHost(std::move(appCore)));
}

NeutralAccelerometer AppCoreGameViewHost::currentNeutralAccelerometer() {
    auto core = appCore_.lock();
    if (!core) return {};
    return core->neutralAccelerometerFor(core->interfaceOrientation());
}

platform::ui::InterfaceOrientation AppCoreGameViewHost::currentStatusBarOrientation() {
    return platform::ui::Application::shared().statusBarOrientation();
}

std::shared_ptr<JTAppBase::ShellAppCore> AppCoreGameViewHost::shellAppCore() {
    return appCore_.lock();
}

JTAppBase::JTAppContextPtr AppCoreGameViewHost::appContext() {
    auto core = appCore_.lock();
    return core ? core->appContext() : nullptr;
}

std::shared_ptr<platform::gfx::GLContext> AppCoreGameViewHost::eaglContext() {
    auto core = appCore_.lock();
    return core ? core->eaglContext() : nullptr;
}

std::shared_ptr<platform::ui::Window> AppCoreGameViewHost::window() {
    auto core = appCore_.lock();
    return core ? core->window() : nullptr;
}

platform::Size AppCoreGameViewHost::screenSize() {
    auto core = appCore_.lock();
    return core ? core->screenSize() : platform::Size{};
}

int32_t AppCoreGameViewHost::accelerometerCalibrationType() {
    auto core = appCore_.lock();
    return core ? core->accelerometerCalibrationType() : 0;
}

float AppCoreGameViewHost::contentsScaleValue() {
    auto core = appCore_.lock();
    return core ? core->contentsScaleValue() : 1.0f;
}

std::shared_ptr<JTAppBase::ShellTexture> AppCoreGameViewHost::texIconPause() {
    auto core = appCore_.lock();
    return core ? core->texIconPause() : nullptr;
}

std::shared_ptr<JTAppBase::LevelInfo> AppCoreGameViewHost::levelInfoForId(int32_t id) {
    auto core = appCore_.lock();
    return core ? core->levelInfoForId(id) : nullptr;
}

std::shared_ptr<JTAppBase::ShellSound> AppCoreGameViewHost::sound(int index) {
    auto core = appCore_.lock();
    return core ? core->sound(index) : nullptr;
}

void AppCoreGameViewHost::stopSound(int index) {
    if (auto s = std::dynamic_pointer_cast<sound::SoundObj>(sound(index))) s->stop();
}

void AppCoreGameViewHost::stopLoopingEffects(bool loops, bool music) {
    if (auto core = appCore_.lock()) core->stopLoopingEffects(loops, music);
}

std::shared_ptr<GameViewScoreRecorder> AppCoreGameViewHost::scoreRecorder() {
    // Every run goes into the level's score file and on to the game-over screen.
    auto core = appCore_.lock();
    return std::make_shared<GameOverViewScoreRecorder>(core ? core->scoreSigner()
                                                            : scores::ScoreSigner{});
}

void AppCoreGameViewHost::startPauseView() {
    if (auto core = appCore_.lock()) core->startPauseView();
}

void AppCoreGameViewHost::transitionAnimation(platform::ui::AnimationTransition kind,
                                              double duration) {
    if (auto core = appCore_.lock()) core->transitionAnimation(kind, duration);
}

void AppCoreGameViewHost::startGameOverView(const GameViewScoreRecorder::Recorded& scores) {
    if (auto core = appCore_.lock())
        core->startGameOverViewWithLevelScores(scores.scores, scores.currentScore);
}

}  // namespace app
