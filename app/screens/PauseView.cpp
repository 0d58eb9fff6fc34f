#include "app/screens/PauseView.h"

#include <algorithm>

#include "app/screens/ShellAlerts.h"
#include "core/JTString.h"

namespace app {

PauseView::PauseView(std::string nibName) : ViewControllerBase(std::move(nibName)) {
    outlet("soundBtn", soundBtn_);
    outlet("resumeBtn", resumeBtn_);
    outlet("additional0Btn", additional0Btn_);
    action("onSoundBtn", [this](platform::ui::Control*) { onSoundBtn(); });
    action("onBackToTitleBtn", [this](platform::ui::Control*) { onBackToTitleBtn(); });
    action("onResumeBtn", [this](platform::ui::Control*) { onResumeBtn(); });
    action("onAdditional0Btn", [this](platform::ui::Control*) { onAdditional0Btn(); });
}

JTAppBase::JTScenePtr PauseView::gameScene() const {
    auto core = appCore();
    return core ? core->currentGameScene() : nullptr;
}

void PauseView::viewWillAppear(bool animated) {
    ViewControllerBase::viewWillAppear(animated);
    updateView();
    if (resumeBtn_) {
        if (resumeBtnPos_ == platform::Point{0, 0}) {
            resumeBtn_->setHidden(true);
        } else {
            resumeBtn_->setHidden(false);
            // Over the game's pause button, but wholly on the screen with a margin: that
            // button sits in a corner, and a Resume cut by the window's edge looks broken.
            constexpr double kMargin = 6;
            platform::Rect screen = view()->bounds();
            platform::Size size = resumeBtn_->bounds().size;
            auto within = [](double v, double lo, double hi) {
                return lo <= hi ? std::clamp(v, lo, hi) : (lo + hi) / 2;
            };
            resumeBtn_->setCenter(
                {within(resumeBtnPos_.x, screen.minX() + size.width / 2 + kMargin,
                        screen.maxX() - size.width / 2 - kMargin),
                 within(resumeBtnPos_.y, screen.minY() + size.height / 2 + kMargin,
                        screen.maxY() - size.height / 2 - kMargin)});
        }
    }
    if (additional0Btn_) {
        JTCore::JTObjectPtr object;
        if (auto scene = gameScene()) object = scene->getSceneObject();
        auto* text = dynamic_cast<JTCore::JTString*>(object.get());
        if (text) {
            SetButtonTitle(*additional0Btn_, text->toUtf8());
            additional0Btn_->setHidden(false);
        } else {
            additional0Btn_->setHidden(true);
        }
    }
}

void PauseView::updateView() {
    auto core = appCore();
    if (soundBtn_ && core) SetButtonTitle(*soundBtn_, "SoundVolume: " + core->soundVolumeString());
}

void PauseView::onSoundBtn() {
    auto core = appCore();
    if (!core) return;
    core->toggleSoundVolume();
    core->saveSettings();
    updateView();
    core->updateSoundSetting();
}

void PauseView::onBackToTitleBtn() {
    auto keep = shared_from_this();
    stop();
    auto core = appCore();
    if (!core) return;
    core->stopGameView();
    core->startTitleView();
    core->transitionAnimation(platform::ui::AnimationTransition::FlipFromLeft, 0.5);
}

void PauseView::onResumeBtn() {
    auto keep = shared_from_this();
    stop();
    if (auto core = appCore()) core->resumeGameView();
}

void PauseView::onAdditional0Btn() {
    auto keep = shared_from_this();
    stop();
    if (auto core = appCore()) core->resumeGameView();
    if (auto scene = gameScene()) scene->sceneHook();
}

}  // namespace app
