#include "game/GameSceneBase.h"

#include <algorithm>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/JTSoundHelper.h"
#include "appbase/JTTextLabel.h"
#include "game/RoadMath.h"

namespace JTApp {

using JTAppBase::JTTextLabel;

GameSceneBase::GameSceneBase(JTAppBase::JTAppContext* context)
    : JTScene(context), score_(JTCore::JTNew<JTAppBase::ScIntHolder>(0)) {
    if (context != nullptr) {
        canvas_ = context->getCanvas();
        if (auto level = context->getLevelInfo()) levelId_ = level->getId();
    }
}

GameSceneBase::~GameSceneBase() = default;

void GameSceneBase::onEnterState(int) {}

void GameSceneBase::onLeaveState(int) {}

void GameSceneBase::onStateFrame(int state) {
    if (state == kStatePlaying) {
        onPlayingFrame();
    } else if (state == kStateGameOver) {
        onGameOverFrame();
    }
}

void GameSceneBase::setGameOverFrames(int milliseconds) {
    gameOverFrames_ = std::max(1, static_cast<int>(milliseconds / getFrameIntervalMs()));
}

void GameSceneBase::onGameOverFrame() {
    if (getStateFrames() != gameOverFrames_) return;
    if (auto context = getAppContext()) context->gameOver(getScore());
}

void GameSceneBase::drawGameOver(int y) {
    if (state_ != kStateGameOver || !canvas_) return;
    const float f = static_cast<float>(gameOverFrames_);
    const float t = static_cast<float>(getStateFrames());
    const float fy = static_cast<float>(y);
    const float y2 = fy - ratioScaleF(fy, f / 20, std::min(f / 2, t));
    canvas_->drawImage(0, static_cast<float>(getWidth() / 2), y2, 0.5f, 0.5f);
}

void GameSceneBase::start() {
    if (canvas_) canvas_->setMultiTouchEnabled(false);
}

void GameSceneBase::setState(int state) {
    if (state_ != kStateNone) onLeaveState(state_);
    state_ = state;
    stateEntryFrame_ = frame_;
    if (state != kStateNone) onEnterState(state);
}

float GameSceneBase::getElapsedMs() {
    return frame_ * getFrameIntervalMs();
}

float GameSceneBase::getStateElapsedMs() {
    return getStateFrames() * getFrameIntervalMs();
}

void GameSceneBase::stepFrame() {
    const int state = state_;
    ++frame_;
    onStateFrame(state);
}

boost::intrusive_ptr<JTAppBase::JTSoundHelper> GameSceneBase::getSoundHelper() const {
    auto context = getAppContext();
    return context ? context->getSoundHelper() : nullptr;
}

int32_t GameSceneBase::getScore() const {
    return score_->get();
}

void GameSceneBase::addScore(int32_t n) {
    score_->set(
        static_cast<int32_t>(static_cast<uint32_t>(score_->get()) + static_cast<uint32_t>(n)));
    scoreTextDirty_ = true;
}

boost::intrusive_ptr<JTTextLabel> GameSceneBase::newLabel(float fontSize, uint32_t color,
                                                          uint32_t shadowColor, float shadowOffset,
                                                          int alignment, float width) {
    auto context = getAppContext();
    if (!context) return nullptr;
    auto label = context->newTextLabel(canvas_);
    label->setLayout(color, alignment, fontSize, width, 32);
    if (shadowOffset != 0) label->setShadow(shadowColor, shadowOffset, shadowOffset);
    return label;
}

void GameSceneBase::initScoreLabel(float fontSize, uint32_t color, uint32_t shadowColor,
                                   float shadowOffset) {
    scoreLabel_ = newLabel(fontSize, color, shadowColor, shadowOffset, 0, 256);
}

void GameSceneBase::initMessageLabel(float fontSize, uint32_t color, uint32_t shadowColor,
                                     float shadowOffset) {
    messageEndFrame_ = 0;
    messageLabel_ =
        newLabel(fontSize, color, shadowColor, shadowOffset, 1, static_cast<float>(getWidth()));
}

void GameSceneBase::drawScore(float x, float y) {
    if (!scoreLabel_) return;
    if (scoreTextDirty_) {
        // The label's own builder: no new text objects per score change.
        auto text = scoreLabel_->getBuilder(true);
        text->append("Score: ");
        JTCore::AppendInt(text, getScore());
        scoreLabel_->setText(text);
        scoreTextDirty_ = false;
    }
    scoreLabel_->draw(x, y, 0, 0);
}

void GameSceneBase::showMessage(const JTCore::JTStringPtr& text, int frames) {
    if (!text || text->length() == 0 || !messageLabel_) return;
    messageLabel_->setText(text);
    messageEndFrame_ = frame_ + frames;
}

void GameSceneBase::drawMessage(float y) {
    if (messageLabel_ && messageEndFrame_ > frame_) {
        messageLabel_->draw(static_cast<float>(getWidth() / 2), y, 0.5f, 0.5f);
    }
}

}  // namespace JTApp
