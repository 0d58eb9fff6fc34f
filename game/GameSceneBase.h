#pragma once

#include <cstdint>

#include "appbase/JTCanvas.h"
#include "appbase/JTScene.h"
#include "appbase/JTSoundHelper.h"
#include "appbase/JTTextLabel.h"
#include "appbase/ScIntHolder.h"
#include "core/JTString.h"

namespace JTApp {

// What every scene of this game shares: a state machine counted in ticks (-1 none, 0 playing,
// 1 game over), the masked score with its on-screen text, a timed message, the falling
// game-over picture and the hand-over of the final score to the context.
class GameSceneBase : public JTAppBase::JTScene {
  public:
    static constexpr int kStateNone = -1;
    static constexpr int kStatePlaying = 0;
    static constexpr int kStateGameOver = 1;

    // The context must have a current level (startLevel comes first).
    explicit GameSceneBase(JTAppBase::JTAppContext* context);
    ~GameSceneBase() override;

    int getWidth() override { return 320; }
    int getHeight() override { return 480; }

    virtual void onEnterState(int state);
    virtual void onLeaveState(int state);
    virtual void onStateFrame(int state);
    virtual void onPlayingFrame() = 0;
    // Ticks = milliseconds / frame interval, at least 1.
    virtual void setGameOverFrames(int milliseconds);
    virtual void onGameOverFrame();
    virtual void drawGameOver(int y);
    virtual void start();
    virtual void setState(int state);
    virtual float getElapsedMs();
    virtual float getStateElapsedMs();

    // Remembers the state, counts the tick, then runs the remembered state's frame.
    void stepFrame();
    int32_t getLevelId() const { return levelId_; }
    int32_t getFrame() const { return frame_; }
    int32_t getState() const { return state_; }
    int32_t getStateFrames() const { return frame_ - stateEntryFrame_; }
    int32_t getGameOverFrames() const { return gameOverFrames_; }
    JTAppBase::JTCanvasPtr getCanvas() const { return canvas_; }
    // Empty once the context is gone.
    boost::intrusive_ptr<JTAppBase::JTSoundHelper> getSoundHelper() const;

    int32_t getScore() const;
    // Wraps around in 32 bits rather than overflowing.
    void addScore(int32_t n);

    void initScoreLabel(float fontSize, uint32_t color, uint32_t shadowColor, float shadowOffset);
    void initMessageLabel(float fontSize, uint32_t color, uint32_t shadowColor, float shadowOffset);
    void drawScore(float x, float y);
    void showMessage(const JTCore::JTStringPtr& text, int frames);
    void drawMessage(float y);

    const boost::intrusive_ptr<JTAppBase::JTTextLabel>& scoreLabel() const { return scoreLabel_; }
    const boost::intrusive_ptr<JTAppBase::JTTextLabel>& messageLabel() const {
        return messageLabel_;
    }

  private:
    boost::intrusive_ptr<JTAppBase::JTTextLabel> newLabel(float fontSize, uint32_t color,
                                                          uint32_t shadowColor, float shadowOffset,
                                                          int alignment, float width);

    JTAppBase::JTCanvasPtr canvas_;
    int32_t levelId_ = 0;
    int32_t state_ = kStateNone;
    int32_t frame_ = 0;
    int32_t stateEntryFrame_ = 0;
    JTAppBase::ScIntHolderPtr score_;
    bool scoreTextDirty_ = true;
    boost::intrusive_ptr<JTAppBase::JTTextLabel> scoreLabel_;
    int32_t messageEndFrame_ = 0;
    boost::intrusive_ptr<JTAppBase::JTTextLabel> messageLabel_;
    // 1 until set, so that a scene which never sets it still hands its score over.
    int32_t gameOverFrames_ = 1;
};

using GameSceneBasePtr = boost::intrusive_ptr<GameSceneBase>;

}  // namespace JTApp
