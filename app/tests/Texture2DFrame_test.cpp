// A whole game frame: the road scene drawn by the real canvas with real textures into a 320 x 480
// headless surface, after a fixed run, compared with a reference picture.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/gameview/GameViewBase.h"
#include "app/testsupport/PixelProjection.h"
#include "app/testsupport/Texture2DAppCore.h"
#include "appbase/Random.h"
#include "appbase/ScIntHolder.h"
#include "game/testsupport/QuietGame.h"
#include "game/testsupport/SceneDriving.h"
#include "platform/gfx/GLES1.h"
#include "platform/gfx/HeadlessContext.h"
#include "platform/gfx/Image.h"
#include "platform/testing/TempDir.h"

using namespace app;

using platform::gfx::gl;
using platform::gfx::Image;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 480;

// The same numbers on every machine.
long nextRandom() {
    static std::uint32_t state = 20261207u;
    state = state * 1103515245u + 12345u;
    return long(state & 0x7FFFFFFFu);
}

class GameFrame : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        surface_ = platform::gfx::HeadlessContext::create(kWidth, kHeight, &error);
        ASSERT_NE(surface_, nullptr) << error;
        home_ = std::make_unique<platform::testing::TempHome>();
        JTAppBase::SetScIntMask(0x2468ACE1);
    }
    void TearDown() override { home_.reset(); }

    // GL as the game view leaves it when it starts.
    static void startView() {
        auto& g = gl();
        g.glViewport(0, 0, kWidth, kHeight);
        SetPixelProjection(kWidth, kHeight);
        g.glDisable(GL_BLEND);
        g.glClearColor(0, 0, 0, 1);
        g.glClear(GL_COLOR_BUFFER_BIT);
        GameViewBase::applyDrawingState();
    }

    std::unique_ptr<platform::gfx::HeadlessContext> surface_;
    std::unique_ptr<platform::testing::TempHome> home_;
};

int colourDistance(const std::uint8_t* a, const std::uint8_t* b) {
    int worst = 0;
    for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int(a[c]) - int(b[c])));
    return worst;
}

TEST_F(GameFrame, MatchesTheReferencePicture) {
    JTAppBase::Random::Scoped random(nextRandom);
    // The game's pictures from the assets folder, at scale 1.
    auto core =
        std::make_shared<Texture2DAppCore>(std::string(MOVU_SOURCE_DIR) + "/assets", "", 1.0f);
    ASSERT_EQ(core->textures.size(), 5u) << "the game's pictures load from assets/";
    gametest::QuietGame game(core);
    auto scene = game.start(1);
    ASSERT_TRUE(scene);

    startView();
    // Steer toward the middle of the car's row, as a careful player does, for 80 ticks.
    for (int tick = 0; tick < 80; ++tick) {
        game.tilt().h = gametest::tiltTowardRowMiddle(*scene) + 0.12;
        game.tick();
    }
    game.render();
    const Image frame = surface_->readPixels();

    const std::string referencePath =
        std::string(MOVU_SOURCE_DIR) + "/app/tests/data/game_frame_320x480.png";
    const std::string actualPath = std::string(MOVU_BINARY_DIR) + "/game_frame_actual.png";
    frame.savePng(actualPath);
    if (std::getenv("MOVU_UPDATE_REFERENCE")) {
        ASSERT_TRUE(frame.savePng(referencePath));
        GTEST_SKIP() << "reference picture written to " << referencePath;
    }
    std::string error;
    auto reference = Image::loadPng(referencePath, &error);
    ASSERT_TRUE(reference) << error;
    ASSERT_EQ(reference->width(), kWidth);
    ASSERT_EQ(reference->height(), kHeight);

    // Rasterisers may round edges differently: a few pixels may differ a lot, the rest only a
    // little.
    int off = 0;
    int worst = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const int d = colourDistance(frame.pixel(x, y), reference->pixel(x, y));
            worst = std::max(worst, d);
            off += d > 24;
        }
    EXPECT_LT(off, kWidth * kHeight / 200) << "see " << actualPath << " (worst " << worst << ")";

    // What a player must see, counted independently of the reference.
    int grass = 0, kerb = 0, road = 0, car = 0, text = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const std::uint8_t* p = frame.pixel(x, y);
            const int r = p[0], g = p[1], b = p[2];
            if (g == 200 && b == 0 && r % 32 == 0) ++grass;
            if (r == 255 && g == 0 && b == 0) ++kerb;
            if (r == g && g == b && r >= 96 && r <= 116) ++road;
            if (b > 180 && r < 80 && g > 80 && g < 150) ++car;
            if (y < 50 && x < 150 && r > 240 && g > 240 && b > 240) ++text;
        }
    EXPECT_GT(grass, 5000);
    EXPECT_GT(kerb, 500);
    EXPECT_GT(road, 30000);
    EXPECT_GT(car, 100);
    EXPECT_GT(text, 50) << "the score label in the top left";
    EXPECT_GT(scene->getScore(), 0);
}

}  // namespace
