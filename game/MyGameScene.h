#pragma once

#include <array>
#include <cstdint>

#include "game/GameSceneBase.h"
#include "game/Wall.h"

namespace JTApp {

// The game: an endless road of 18 recycled rows scrolls down a 320 x 480 screen, faster and
// narrower as the run goes on and drifting left and right; the car steers with the tilt,
// hamburgers score, the edges (and on level 3 obstacles) knock the car back, and the run ends
// when the car is pushed off the bottom.
//
// World coordinates: x 0..8192 across, y 0..8192 from the bottom edge up; a row is 512 tall.
class MyGameScene : public GameSceneBase {
  public:
    static constexpr int kRowCount = 18;
    static constexpr int kTrailLength = 8;

    // Images and sound effects by index, as the app core loads them.
    static constexpr int kImageGameOver = 0;
    static constexpr int kImageCar = 1;
    static constexpr int kImagePopUp = 2;
    static constexpr int kImageAfterImage = 3;
    static constexpr int kImageHamburger = 4;
    static constexpr int kSoundFallOff = 0;
    static constexpr int kSoundStart = 1;
    static constexpr int kSoundHamburger = 2;
    static constexpr int kSoundBump = 3;

    explicit MyGameScene(JTAppBase::JTAppContext* context);

    float getFrameIntervalMs() override { return 30.0f; }
    void onFrame() override { stepFrame(); }
    using GameSceneBase::draw;
    void draw(const JTAppBase::JTCanvasPtr& canvas) override;
    void onPlayingFrame() override;
    void start() override;
    virtual float toScreenX(int32_t x);
    virtual float toScreenY(int32_t y);

    // The state of the run, for the shell's diagnostics, replays and tests.
    const WallPtr& getRow(int i) const { return rows_[static_cast<size_t>(i)]; }
    int32_t getRingIndex() const { return ringIndex_; }
    int32_t getSpeed() const { return speed_; }
    int32_t getRoadCentre() const { return roadCentre_; }
    int32_t getCentreStep() const { return centreStep_; }
    int32_t getRowsUntilItem() const { return rowsUntilItem_; }
    int32_t getCarX() const { return carX_; }
    int32_t getCarY() const { return carY_; }
    int32_t getCarVerticalSpeed() const { return carVerticalSpeed_; }
    int32_t getPopUpEndFrame() const { return popUpEndFrame_; }
    int32_t getPopUpX() const { return popUpX_; }
    int32_t getPopUpY() const { return popUpY_; }
    int32_t getNextBumpSoundFrame() const { return nextBumpSoundFrame_; }
    // Puts the car somewhere (replays of recorded positions, tests of the road's edges).
    void placeCar(int32_t x, int32_t y, int32_t verticalSpeed);

  private:
    void generateRow();
    void steer();
    void testRow(Wall& row);
    void playSound(int index);
    float tiltReading();

    int32_t nextBumpSoundFrame_ = 0;
    int32_t popUpX_ = 0;
    int32_t popUpY_ = 0;
    int32_t popUpEndFrame_ = 0;
    int32_t speed_ = 0;
    int32_t ringIndex_ = 0;
    int32_t roadCentre_ = 4096;
    int32_t centreStep_ = 0;
    std::array<WallPtr, kRowCount> rows_;
    int32_t rowsUntilItem_ = 0;
    int32_t carX_ = 4096;
    int32_t carY_ = 2048;
    int32_t carVerticalSpeed_ = 0;
    std::array<int32_t, kTrailLength> trailX_{};
    std::array<int32_t, kTrailLength> trailY_{};
    int32_t trailIndex_ = 0;
};

using MyGameScenePtr = boost::intrusive_ptr<MyGameScene>;

}  // namespace JTApp
