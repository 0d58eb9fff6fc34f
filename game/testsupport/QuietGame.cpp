#include "game/testsupport/QuietGame.h"

#include "game/testsupport/SceneDriving.h"

namespace gametest {

QuietGame::QuietGame(std::shared_ptr<JTAppBase::ShellAppCore> core) {
    view_ = std::make_shared<QuietGameView>(core);
    context_ = JTCore::JTNew<JTAppBase::JTAppContext>();
    context_->setAppCore(core);
    context_->setLevelManager(JTCore::JTNew<JTApp::MyLevelManager>(context_));
    context_->setGameView(view_);
    context_->getLevelManager()->reset();
    canvas_ = context_->getCanvas();
}

QuietGame::~QuietGame() {
    // The scene and the level manager hold the context; let go of them so it can go too.
    view_->scene.reset();
    scene_.reset();
    context_->setLevelManager(nullptr);
}

const JTApp::MyGameScenePtr& QuietGame::start(int levelId) {
    context_->startLevel(levelId);
    scene_ = JTApp::MyGameScenePtr(dynamic_cast<JTApp::MyGameScene*>(view_->scene.get()));
    canvas_ = context_->getCanvas();
    return scene_;
}

void QuietGame::tick() {
    tickScene(canvas_, *scene_);
}

void QuietGame::render() {
    renderScene(canvas_, *scene_);
}

void QuietGame::steer() {
    view_->tilt->h = tiltTowardRowMiddle(*scene_);
}

}  // namespace gametest
