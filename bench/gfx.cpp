// Rendering costs on the software renderer (llvmpipe through headless EGL): a game frame at
// 320 x 480 (the road scene through the real canvas and textures), a hand-made frame of the same
// kind for comparison, and making a texture from a 512 x 512 PNG.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/testsupport/PixelProjection.h"
#include "app/testsupport/Texture2DAppCore.h"
#include "app/textures/Texture2D.h"
#include "appbase/ScIntHolder.h"
#include "game/testsupport/QuietGame.h"
#include "platform/gfx/GLES1.h"
#include "platform/gfx/HeadlessContext.h"
#include "platform/gfx/Image.h"
#include "platform/testing/TempDir.h"

using platform::gfx::gl;
using platform::gfx::HeadlessContext;
using platform::gfx::Image;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 480;

std::unique_ptr<HeadlessContext>& context() {
    static std::unique_ptr<HeadlessContext> shared = [] {
        std::string error;
        auto made = HeadlessContext::create(kWidth, kHeight, &error);
        if (!made) {
            std::fprintf(stderr, "no headless GL: %s\n", error.c_str());
            std::exit(1);
        }
        return made;
    }();
    return shared;
}

void setUpGameState() {
    auto& g = gl();
    g.glViewport(0, 0, kWidth, kHeight);
    app::SetPixelProjection(kWidth, kHeight);
    g.glEnable(GL_BLEND);
    g.glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    g.glEnable(GL_TEXTURE_2D);
    g.glEnableClientState(GL_VERTEX_ARRAY);
    g.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

Image gradient(int w, int h, bool alpha) {
    Image image(w, h, Image::ColorSpace::RGB, alpha, {});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, std::uint8_t(x), std::uint8_t(y), std::uint8_t(x ^ y),
                           alpha ? std::uint8_t((x + y) / 4) : 255);
    return image;
}

void fill(float x, float y, float w, float h) {
    const GLfloat v[] = {x, y, 0, x + w, y, 0, x, y + h, 0, x + w, y + h, 0};
    auto& g = gl();
    g.glDisable(GL_TEXTURE_2D);
    g.glVertexPointer(3, GL_FLOAT, 0, v);
    g.glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    g.glEnable(GL_TEXTURE_2D);
}

// One firing of the game loop per iteration: a tick of the road scene steered along the road,
// then a render through the canvas, finished on the GPU side. A run that ends starts again.
void BM_GameFrame(benchmark::State& state) {
    context()->makeCurrent();
    setUpGameState();
    const platform::testing::TempHome home;
    JTAppBase::SetScIntMask(0x13579BDF);
    // The game's pictures at 2x, as on a high-density screen.
    gametest::QuietGame game(
        std::make_shared<app::Texture2DAppCore>(MOVU_ASSETS_DIR, "_cs200", 2.0f));
    auto& g = gl();
    for (auto _ : state) {
        if (!game.scene() || game.scene()->getState() != 0) game.start(1);
        game.steer();
        game.tick();
        g.glClear(GL_COLOR_BUFFER_BIT);
        game.render();
        g.glFinish();
    }
}
BENCHMARK(BM_GameFrame)->Unit(benchmark::kMillisecond);

// What one game frame holds: 18 road rows of three fills each, a few hamburgers, the car with
// two after-images, a "+100", the score text with its shadow and the pause button.
void BM_RepresentativeFrame(benchmark::State& state) {
    context()->makeCurrent();
    setUpGameState();
    Image car = gradient(48, 80, true), item = gradient(56, 52, true),
          round = gradient(56, 56, true);
    auto carTexture = app::Texture2D::createWithImage(&car, 2);
    auto itemTexture = app::Texture2D::createWithImage(&item, 2);
    auto roundTexture = app::Texture2D::createWithImage(&round, 2);
    auto score = app::Texture2D::createWithString("Score: 12345", {256, 64}, 0, "Arial", 48, 2);
    auto& g = gl();
    for (auto _ : state) {
        for (int row = 0; row < 18; ++row) {
            const float top = float(row * 30);
            g.glColor4ub(0, 120, 200, 255);
            fill(0, top, 320, 30);
            g.glColor4ub(255, 0, 0, 255);
            fill(30, top, 260, 30);
            g.glColor4ub(110, 110, 110, 255);
            fill(42, top, 236, 30);
            if (row % 5 == 0) {
                g.glColor4ub(255, 255, 255, 255);
                itemTexture->drawAtPoint({100.0f + row * 7, top + 15});
            }
        }
        g.glColor4ub(100, 100, 100, 100);
        roundTexture->drawAtPoint({160, 120});
        roundTexture->drawAtPoint({158, 100});
        g.glColor4ub(255, 255, 255, 255);
        carTexture->drawAtPoint({160, 140});
        itemTexture->drawAtPoint({200, 300});
        g.glColor4ub(0, 0, 0, 255);
        score->drawInRect({14, 436, 128, 32});
        g.glColor4ub(255, 255, 255, 255);
        score->drawInRect({12, 438, 128, 32});
        itemTexture->drawAtPoint({293, 455});
        g.glFinish();
    }
}
BENCHMARK(BM_RepresentativeFrame)->Unit(benchmark::kMillisecond);

// Decoding a 512 x 512 PNG with alpha and making its texture, as the app core does per picture.
void BM_TextureFromPng512(benchmark::State& state) {
    context()->makeCurrent();
    const std::vector<std::uint8_t> png = gradient(512, 512, true).encodePng();
    for (auto _ : state) {
        auto image = Image::decodePng(png);
        auto texture = app::Texture2D::createWithImage(&*image, 1);
        benchmark::DoNotOptimize(texture->name());
        gl().glFinish();
    }
}
BENCHMARK(BM_TextureFromPng512)->Unit(benchmark::kMillisecond);

// The texture part alone (premultiplying and uploading), the picture already decoded.
void BM_TextureFromImage512(benchmark::State& state) {
    context()->makeCurrent();
    const Image image = gradient(512, 512, true);
    for (auto _ : state) {
        auto texture = app::Texture2D::createWithImage(&image, 1);
        benchmark::DoNotOptimize(texture->name());
        gl().glFinish();
    }
}
BENCHMARK(BM_TextureFromImage512)->Unit(benchmark::kMillisecond);

// The score label is rendered again whenever the score changes, which is every tick.
void BM_ScoreTextTexture(benchmark::State& state) {
    context()->makeCurrent();
    int score = 0;
    for (auto _ : state) {
        auto texture = app::Texture2D::createWithString("Score: " + std::to_string(score++),
                                                        {256, 64}, 0, "Arial", 48, 2);
        benchmark::DoNotOptimize(texture->name());
    }
}
BENCHMARK(BM_ScoreTextTexture)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
