// Rendering costs on the software renderer (llvmpipe through headless EGL): a game frame at
// 320 x 480 (the road scene through the real canvas and textures), a hand-made frame of the same
// kind for comparison, and making a texture from a 512 x 512 PNG.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <vector>

#include "app/Texture2D.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/ScIntHolder.h"
#include "game/MyGameScene.h"
#include "game/MyLevelManager.h"
#include "platform/gfx/GLES1.h"
#include "platform/gfx/HeadlessContext.h"
#include "platform/gfx/Image.h"
#include "platform/storage/AppPaths.h"

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
    g.glMatrixMode(GL_PROJECTION);
    g.glLoadIdentity();
    g.glOrthof(0, kWidth, 0, kHeight, -1, 1);
    g.glMatrixMode(GL_MODELVIEW);
    g.glLoadIdentity();
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

class TextFactory : public JTAppBase::TextTextureFactory {
  public:
    std::shared_ptr<JTAppBase::ShellTexture> newTextTexture(const std::string& text,
                                                            platform::Size dimensions,
                                                            int alignment,
                                                            const std::string& fontName,
                                                            double fontSize, float scale) override {
        return Texture2D::createWithString(text, dimensions, alignment, fontName, fontSize, scale);
    }
};

// The game's pictures by index, at 2x as on a high-density screen.
class BenchAppCore : public JTAppBase::ShellAppCore {
  public:
    BenchAppCore() {
        const char* names[] = {"gameover", "movucar", "gotpts", "circle", "hamburger"};
        for (int i = 0; i < 5; ++i) {
            auto image =
                Image::loadPng(std::string(MOVU_ASSETS_DIR) + "/" + names[i] + "_cs200.png");
            if (image) textures_[i] = Texture2D::createWithImage(&*image, 2.0f);
        }
    }
    std::shared_ptr<JTAppBase::ShellTexture> texture(int index) override {
        auto it = textures_.find(index);
        return it == textures_.end() ? nullptr : it->second;
    }
    JTAppBase::TextTextureFactory* textTextureFactory() override { return &factory_; }
    float contentsScaleValue() override { return 2.0f; }
    int32_t currentLevelId() override { return level_; }
    void setCurrentLevelId(int32_t id) override { level_ = id; }
    void saveSettings() override {}
    void startTitleView() override {}
    void transitionAnimation(int, double) override {}
    bool isIPad() override { return false; }
    void showSimpleAlert(const std::string&, const std::string&) override {}
    std::shared_ptr<JTAppBase::ShellSound> sound(int) override { return nullptr; }
    std::shared_ptr<JTAppBase::ShellSound> music(int) override { return nullptr; }
    void stopLoopingEffects(bool, bool) override {}
    bool musicIsEnabled() override { return false; }

  private:
    std::map<int, std::shared_ptr<Texture2D>> textures_;
    TextFactory factory_;
    int32_t level_ = 0;
};

class BenchTilt : public JTAppBase::ShellTilt {
  public:
    double accelerationFromNeutralH() override { return h; }
    void getAnglesFromNeutral(double& outH, double& outV) override { outH = outV = 0; }
    double h = 0;
};

class BenchGameView : public JTAppBase::ShellGameView {
  public:
    explicit BenchGameView(std::shared_ptr<BenchAppCore> core) : core_(std::move(core)) {}
    void gameOverWithScore(int32_t) override {}
    void setLevelInfo(std::shared_ptr<JTAppBase::LevelInfo>) override {}
    void startGameScene(const boost::intrusive_ptr<JTAppBase::JTScene>& s) override { scene = s; }
    void stop() override {}
    void setPauseBtnPos(platform::Point) override {}
    int64_t interfaceOrientation() override { return 1; }
    std::shared_ptr<JTAppBase::ShellAppCore> appCore() override { return core_; }
    platform::Point convertPointFromRawView(platform::Point p) override { return p; }
    void setMultipleTouchEnabled(bool) override {}
    std::shared_ptr<JTAppBase::ShellTilt> accelerometerHelper() override { return tilt; }

    boost::intrusive_ptr<JTAppBase::JTScene> scene;
    std::shared_ptr<BenchTilt> tilt = std::make_shared<BenchTilt>();

  private:
    std::shared_ptr<BenchAppCore> core_;
};

// One firing of the game loop per iteration: a tick of the road scene steered along the road,
// then a render through the canvas, finished on the GPU side. A run that ends starts again.
void BM_GameFrame(benchmark::State& state) {
    context()->makeCurrent();
    setUpGameState();
    const auto home =
        std::filesystem::temp_directory_path() / ("movu-bench-gfx-" + std::to_string(::getpid()));
    platform::AppPaths::setHomeOverride(home);
    JTAppBase::SetScIntMask(0x13579BDF);
    auto core = std::make_shared<BenchAppCore>();
    auto view = std::make_shared<BenchGameView>(core);
    auto appContext = JTCore::JTNew<JTAppBase::JTAppContext>();
    appContext->setAppCore(core);
    auto manager = JTCore::JTNew<JTApp::MyLevelManager>(appContext);
    appContext->setLevelManager(manager);
    appContext->setGameView(view);
    manager->reset();
    auto canvas = appContext->getCanvas();
    JTApp::MyGameScenePtr scene;
    auto& g = gl();
    for (auto _ : state) {
        if (!scene || scene->getState() != 0) {
            appContext->startLevel(1);
            scene = JTApp::MyGameScenePtr(dynamic_cast<JTApp::MyGameScene*>(view->scene.get()));
        }
        view->tilt->h = 0;
        for (int i = 0; i < JTApp::MyGameScene::kRowCount; ++i) {
            const auto& row = scene->getRow(i);
            if (row->y <= scene->getCarY() && scene->getCarY() <= row->y + 512)
                view->tilt->h = ((row->left + row->right) / 2 - 4096) / 12288.0;
        }
        canvas->beginFrame();
        scene->onFrame();
        canvas->endFrame();
        g.glClear(GL_COLOR_BUFFER_BIT);
        canvas->beginRender();
        scene->draw(canvas);
        canvas->endRender();
        g.glFinish();
    }
    scene.reset();
    view->scene.reset();
    appContext->setLevelManager(nullptr);
    platform::AppPaths::setHomeOverride(std::nullopt);
    std::filesystem::remove_all(home);
}
BENCHMARK(BM_GameFrame)->Unit(benchmark::kMillisecond);

// What one game frame holds: 18 road rows of three fills each, a few hamburgers, the car with
// two after-images, a "+100", the score text with its shadow and the pause button.
void BM_RepresentativeFrame(benchmark::State& state) {
    context()->makeCurrent();
    setUpGameState();
    Image car = gradient(48, 80, true), item = gradient(56, 52, true),
          round = gradient(56, 56, true);
    auto carTexture = Texture2D::createWithImage(&car, 2);
    auto itemTexture = Texture2D::createWithImage(&item, 2);
    auto roundTexture = Texture2D::createWithImage(&round, 2);
    auto score = Texture2D::createWithString("Score: 12345", {256, 64}, 0, "Arial", 48, 2);
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
        auto texture = Texture2D::createWithImage(&*image, 1);
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
        auto texture = Texture2D::createWithImage(&image, 1);
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
        auto texture = Texture2D::createWithString("Score: " + std::to_string(score++), {256, 64},
                                                   0, "Arial", 48, 2);
        benchmark::DoNotOptimize(texture->name());
    }
}
BENCHMARK(BM_ScoreTextTexture)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
