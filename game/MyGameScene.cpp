#include "game/MyGameScene.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "appbase/JTAccelerometerHelper.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTSoundHelper.h"
#include "game/RoadMath.h"

namespace JTApp {

namespace {

constexpr int32_t kWorld = 8192;
constexpr int32_t kRowHeight = 512;
constexpr int32_t kRingHeight = kRowHeight * MyGameScene::kRowCount;  // 9216
constexpr int32_t kCarMinX = 1024;
constexpr int32_t kCarMaxX = 7168;
constexpr int32_t kCarMaxY = 4096;
constexpr int32_t kFallOffY = -170;
constexpr int32_t kItemHalfWidth = 512;
// A tilt far outside the sensor's range still steers hard, but must not overflow the int the
// target becomes.
constexpr double kSteerLimit = 65536.0;

constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kRed = 0xFFFF0000u;

constexpr uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

}  // namespace

MyGameScene::MyGameScene(JTAppBase::JTAppContext* context) : GameSceneBase(context) {
    initScoreLabel(24, kWhite, 0xFF000000u, 2);
    initMessageLabel(24, 0xFFFFFF00u, 0xFF000000u, 2);
    setGameOverFrames(1500);
    MyGameScene::start();
}

void MyGameScene::start() {
    GameSceneBase::start();
    if (auto context = getAppContext()) context->setPauseButtonPos(-27, 25);
    setState(0);
    if (getLevelId() == 1) showMessage(JTCore::NewJTString("Tilt to move!"), 120);
    rowsUntilItem_ = getLevelId() == 3 ? 18 : 36;
    for (int i = 0; i < kRowCount; ++i) {
        rows_[i] = JTCore::JTNew<Wall>();
        rows_[i]->y = -kRingHeight + kRowHeight * i;
        generateRow();
    }
    trailX_.fill(4096);
    trailY_.fill(-kWorld);
}

float MyGameScene::toScreenX(int32_t x) {
    return static_cast<float>(wrapMul(x, 320)) / static_cast<float>(kWorld);
}

float MyGameScene::toScreenY(int32_t y) {
    return 480.0f - static_cast<float>(wrapMul(y, 480)) / static_cast<float>(kWorld);
}

void MyGameScene::placeCar(int32_t x, int32_t y, int32_t verticalSpeed) {
    carX_ = x;
    carY_ = y;
    carVerticalSpeed_ = verticalSpeed;
}

void MyGameScene::generateRow() {
    Wall& row = *rows_[ringIndex_];
    row.y = wrapAdd(row.y, kRingHeight);
    int32_t width = ratioScale(6144, 1000, getFrame());
    int32_t half = wrapAdd(width, kRowHeight) / 2;
    roadCentre_ = wrapAdd(roadCentre_, centreStep_);

    // While start() builds the first screen (frame 0) only one row may bend the road, so the
    // player starts on a straight stretch.
    bool newStep = getFrame() != 0 ? randomBelow(4) == 0 : ringIndex_ == 13;
    if (newStep) centreStep_ = randomBetween(-400, 400);

    if (roadCentre_ < half + kRowHeight) {
        roadCentre_ = half + kRowHeight;
        centreStep_ = std::abs(centreStep_);
    }
    if (roadCentre_ > 7680 - half) {
        roadCentre_ = 7680 - half;
        centreStep_ = -std::abs(centreStep_);
    }
    row.left = roadCentre_ - half;
    row.right = roadCentre_ + half;
    row.item = Wall::kItemNone;

    rowsUntilItem_ -= 1;
    if (rowsUntilItem_ <= 0) {
        row.itemX = randomBetween(row.left + kItemHalfWidth, row.right - kItemHalfWidth);
        if (getLevelId() == 3) {
            rowsUntilItem_ = randomBetween(2, 9);
            row.item = randomBelow(4) != 0 ? Wall::kItemObstacle : Wall::kItemHamburger;
        } else {
            row.item = Wall::kItemHamburger;
            rowsUntilItem_ = randomBetween(9, 36);
        }
    }
    ringIndex_ = (ringIndex_ + 1) % kRowCount;
}

float MyGameScene::tiltReading() {
    auto context = getAppContext();
    auto tilt = context ? context->getAccelerometerHelper() : nullptr;
    float h = tilt ? tilt->getAccelerationH() : 0.0f;
    // A broken sensor reading (NaN, infinity) must not turn into an arbitrary int.
    return std::isfinite(h) ? h : 0.0f;
}

void MyGameScene::steer() {
    double target = tiltReading() * 3 * 8192 * 0.5 + 4096;
    target = std::clamp(target, -kSteerLimit, kSteerLimit);
    int32_t t = static_cast<int32_t>(target);
    carX_ += (t - carX_) / 8;
    carX_ = std::clamp(carX_, kCarMinX, kCarMaxX);
}

void MyGameScene::onPlayingFrame() {
    if (getStateFrames() == 5) playSound(kSoundStart);
    speed_ = getFrame() / 20 + 160;
    addScore(speed_ / 100);

    trailIndex_ = (trailIndex_ + kTrailLength - 1) % kTrailLength;
    trailX_[trailIndex_] = carX_;
    trailY_[trailIndex_] = carY_;

    steer();

    int32_t cap = (kCarMaxY - carY_) / 1024 + 1;
    int32_t v = carVerticalSpeed_ + speed_ / 10;
    carVerticalSpeed_ = v < cap ? v : cap;
    carY_ = std::min(carY_ + carVerticalSpeed_, kCarMaxY);

    if (carY_ < kFallOffY) {
        playSound(kSoundFallOff);
        setState(1);
        // The rest of the tick still runs: the last rows move and count as usual.
    }

    const int32_t r0 = ringIndex_;
    for (int i = 0; i < kRowCount; ++i) {
        Wall& row = *rows_[(r0 + i) % kRowCount];
        row.y -= speed_;
        if (row.y < -1024) generateRow();
        testRow(row);
    }
}

void MyGameScene::testRow(Wall& row) {
    if (carY_ < row.y || carY_ > row.y + kRowHeight) return;
    bool onItem = row.itemX - kItemHalfWidth < carX_ && carX_ < row.itemX + kItemHalfWidth;

    if (carX_ < row.left || carX_ > row.right || (row.item == Wall::kItemObstacle && onItem)) {
        carVerticalSpeed_ = (-2 * speed_) / 3;
        carY_ += carVerticalSpeed_;
        if (nextBumpSoundFrame_ <= getFrame()) {
            playSound(kSoundBump);
            nextBumpSoundFrame_ = getFrame() + 4;
        }
    }
    if (row.item == Wall::kItemHamburger && onItem) {
        popUpX_ = row.itemX;
        popUpY_ = row.y + 256;
        popUpEndFrame_ = getFrame() + 30;
        addScore(100);
        row.item = Wall::kItemNone;
        playSound(kSoundHamburger);
    }
}

void MyGameScene::playSound(int index) {
    if (auto sound = getSoundHelper()) sound->play(index);
}

void MyGameScene::draw(const JTAppBase::JTCanvasPtr& target) {
    JTAppBase::JTCanvasPtr canvas = target ? target : getCanvas();
    if (!canvas) return;
    const int32_t frame = getFrame();

    for (int i = 0; i < kRowCount; ++i) {
        const Wall& row = *rows_[i];
        float sy = toScreenY(row.y);
        float top = sy - 30;
        uint32_t k = static_cast<uint32_t>(std::abs(i % 8 - 4));
        uint32_t grass = argb(255, 32 * k, 200, 0);
        canvas->setColor(grass);
        canvas->fillRect(0, top, 320, 30);

        canvas->setColor(i % 2 == 0 ? kRed : kWhite);
        float kerbLeft = toScreenX(row.left) - 18;
        canvas->fillRect(kerbLeft, top, toScreenX(row.right) + 18 - kerbLeft, 30);

        uint32_t c = 5 * k + 96;
        canvas->setColor(argb(255, c, c, c));
        float roadLeft = toScreenX(row.left) - 6;
        canvas->fillRect(roadLeft, top, toScreenX(row.right) + 6 - roadLeft, 30);

        if (row.item == Wall::kItemHamburger) {
            canvas->resetColor();
            canvas->drawImage(kImageHamburger, toScreenX(row.itemX), sy - 15, 0.5f, 0.5f);
        } else if (row.item == Wall::kItemObstacle) {
            canvas->setColor(grass);
            canvas->fillRect(toScreenX(row.itemX) + 15, top, -30, 30);
        }
    }

    const int32_t k = frame % 4;
    for (int32_t j : {k, k + 4}) {
        uint32_t alpha = static_cast<uint32_t>(j == k ? 100 - 12 * k : 52 - 12 * k);
        canvas->setColor(alpha << 24 | 0x00FFFFFFu);
        int32_t n = (trailIndex_ + j) % kTrailLength;
        canvas->drawImage(kImageAfterImage, toScreenX(trailX_[n]),
                          toScreenY(trailY_[n] - speed_ * (j + 1)), 0.5f, 0.5f);
    }

    canvas->resetColor();
    canvas->drawImage(kImageCar, toScreenX(carX_), toScreenY(carY_), 0.5f, 0.5f);

    int32_t r = popUpEndFrame_ - frame;
    if (r > 0) {
        uint32_t alpha = 32 * r >= 255 ? 255u : static_cast<uint32_t>(32 * r);
        canvas->setColor(alpha << 24 | 0x00FFFFFFu);
        canvas->drawImage(kImagePopUp, toScreenX(popUpX_),
                          toScreenY(popUpY_) - static_cast<float>((30 - r) * 3), 0.5f, 0.5f);
    }

    drawScore(12, 12);
    drawMessage(getHeight() / 3);
    if (getState() == 1) drawGameOver(200);
}

}  // namespace JTApp
