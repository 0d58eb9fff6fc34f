#include "appbase/JTAppContext.h"

#include <algorithm>

#include "appbase/JTAccelerometerHelper.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTKeyHelper.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/JTLevelManager.h"
#include "appbase/JTScene.h"
#include "appbase/JTSoundHelper.h"
#include "appbase/JTTextLabel.h"
#include "util/LogMessage.h"

namespace JTAppBase {

using JTCore::JTNew;

JTAppContext::JTAppContext() {
    soundHelper_ = JTNew<JTSoundHelper>(this);
    accelerometerHelper_ = JTNew<JTAccelerometerHelper>(this);
    canvas_ = JTNew<JTCanvas>(this);
    keyHelper_ = JTNew<JTKeyHelper>(this);
}

JTAppContext::~JTAppContext() {
    currentTouch_.reset();
    activeTouches_.clear();
    keyHelper_.reset();
    levelManager_.reset();
    canvas_.reset();
    levelData_.reset();
    levelInfo_.reset();
    accelerometerHelper_.reset();
    soundHelper_.reset();
}

JTTextLabelPtr JTAppContext::newTextLabel(const JTCanvasPtr& canvas) {
    return JTNew<JTTextLabel>(canvas.get());
}

JTTextLabelPtr JTAppContext::newTextLabel() {
    return newTextLabel(canvas_);
}

JTSoundHelperPtr JTAppContext::getSoundHelper() {
    return soundHelper_;
}

JTKeyHelperPtr JTAppContext::getKeyHelper() {
    return keyHelper_;
}

JTAccelerometerHelperPtr JTAppContext::getAccelerometerHelper() {
    return accelerometerHelper_;
}

JTLevelInfoPtr JTAppContext::getLevelInfo() {
    return levelInfo_;
}

JTCore::JTObjectPtr JTAppContext::getLevelData() {
    return levelData_;
}

bool JTAppContext::isDebug() {
    return debug_;
}

void JTAppContext::setDebug(bool debug) {
    debug_ = debug;
}

void JTAppContext::logD(const JTCore::JTStringPtr& text) {
    if (!isDebug()) return;
    util::LogMessage("logD", 1, JTCore::ToUtf8(text));
}

JTCanvasPtr JTAppContext::getCanvas() {
    return canvas_;
}

void JTAppContext::gameOver(int score) {
    // The manager's notices (unlocks) must be queued before it judges the run, so that the
    // game-over screen shows them instead of alerts popping up over the game.
    if (levelManager_) {
        levelManager_->beginPendingMessages();
        if (levelInfo_) levelManager_->onGameOver(levelInfo_->getId(), score);
    }
    if (auto view = getGameView()) view->gameOverWithScore(score);
}

void JTAppContext::startLevel(int id) {
    startSuppressed_ = false;
    JTLevelInfoPtr level = levelManager_ ? levelManager_->getLevelInfoById(id) : nullptr;
    if (!level) {
        // A stale id (a removed level, a bad settings file) must not reach the settings or
        // start a scene without a level: go back to the title instead.
        util::LogMessage("-[JTAppContext startLevel]", 4, "unknown level id " + std::to_string(id));
        backToTitle();
        return;
    }
    levelInfo_ = level;
    auto core = getAppCore();
    if (core && core->currentLevelId() != id) {
        core->setCurrentLevelId(id);
        core->saveSettings();
    }
    if (auto view = getGameView()) view->setLevelInfo(levelInfo_->mirror());
    levelData_ = levelManager_->loadLevelData(levelInfo_);
    if (!startSuppressed_) levelManager_->startLevel(id);
}

void JTAppContext::startGameScene(const JTScenePtr& scene) {
    if (scene && canvas_) canvas_->setSize(scene->getWidth(), scene->getHeight());
    if (auto view = getGameView()) view->startGameScene(scene);
}

void JTAppContext::setLevelManager(const JTLevelManagerPtr& manager) {
    levelManager_ = manager;
}

JTLevelManagerPtr JTAppContext::getLevelManager() {
    return levelManager_;
}

void JTAppContext::showMessage(const JTCore::JTStringPtr& title,
                               const JTCore::JTStringPtr& message) {
    if (auto core = getAppCore())
        core->showSimpleAlert(JTCore::ToUtf8(title), JTCore::ToUtf8(message));
}

void JTAppContext::setPauseButtonPos(int x, int y) {
    if (auto view = getGameView()) view->setPauseBtnPos(platform::Point{double(x), double(y)});
}

void JTAppContext::backToTitle() {
    if (auto view = getGameView()) view->stop();
    if (auto core = getAppCore()) {
        core->startTitleView();
        core->transitionAnimation(1, 0.5);
    }
}

JTCore::JTObjectPtr JTAppContext::getAuxObject() {
    return nullptr;
}

void JTAppContext::setStartSuppressed(bool suppressed) {
    startSuppressed_ = suppressed;
}

bool JTAppContext::isStartSuppressed() {
    return startSuppressed_;
}

bool JTAppContext::isIPad() {
    auto core = getAppCore();
    return core && core->isIPad();
}

void JTAppContext::setAppCore(const std::shared_ptr<ShellAppCore>& appCore) {
    appCore_ = appCore;
}

void JTAppContext::setGameView(const std::shared_ptr<ShellGameView>& view) {
    gameView_ = view;
    if (canvas_) canvas_->setView(view);
    if (view) {
        orientation_ = view->interfaceOrientation();
    } else {
        levelInfo_.reset();
    }
}

void JTAppContext::addActiveTouch(const std::shared_ptr<ShellTouch>& touch) {
    if (!touch) return;
    if (std::find(activeTouches_.begin(), activeTouches_.end(), touch) == activeTouches_.end()) {
        activeTouches_.push_back(touch);
    }
}

}  // namespace JTAppBase
