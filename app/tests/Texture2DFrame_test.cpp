// A whole game frame: the road scene drawn by the real canvas with real textures into a 320 x 480
// headless surface, after a fixed run, compared with a reference picture.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "app/Texture2D.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/Random.h"
#include "appbase/ScIntHolder.h"
#include "game/MyGameScene.h"
#include "game/MyLevelManager.h"
#include "platform/gfx/GLES1.h"
#include "platform/gfx/HeadlessContext.h"
#include "platform/gfx/Image.h"
#include "platform/storage/AppPaths.h"

using platform::gfx::gl;
using platform::gfx::Image;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 480;

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

// Serves the game's pictures by index from the assets folder, at scale 1.
class FrameAppCore : public JTAppBase::ShellAppCore {
  public:
    FrameAppCore() {
        const char* names[] = {"gameover", "movucar", "gotpts", "circle", "hamburger"};
        for (int i = 0; i < 5; ++i) {
            auto image =
                Image::loadPng(std::string(MOVU_SOURCE_DIR) + "/assets/" + names[i] + ".png");
            if (image) textures_[i] = Texture2D::createWithImage(&*image, 1.0f);
        }
    }
    std::shared_ptr<JTAppBase::ShellTexture> texture(int index) override {
        auto it = textures_.find(index);
        return it == textures_.end() ? nullptr : it->second;
    }
    JTAppBase::TextTextureFactory* textTextureFactory() override { return &factory_; }
    float contentsScaleValue() override { return 1.0f; }
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

    size_t textureCount() const { return textures_.size(); }

  private:
    std::map<int, std::shared_ptr<Texture2D>> textures_;
    TextFactory factory_;
    int32_t level_ = 0;
};

class Tilt : public JTAppBase::ShellTilt {
  public:
    double accelerationFromNeutralH() override { return h; }
    void getAnglesFromNeutral(double& outH, double& outV) override { outH = outV = 0; }
    double h = 0;
};

class FrameGameView : public JTAppBase::ShellGameView {
  public:
    explicit FrameGameView(std::shared_ptr<FrameAppCore> core) : core_(std::move(core)) {}
    void gameOverWithScore(int32_t) override {}
    void setLevelInfo(std::shared_ptr<JTAppBase::LevelInfo>) override {}
    void startGameScene(const boost::intrusive_ptr<JTAppBase::JTScene>& scene) override {
        this->scene = scene;
    }
    void stop() override {}
    void setPauseBtnPos(platform::Point) override {}
    int64_t interfaceOrientation() override { return 1; }
    std::shared_ptr<JTAppBase::ShellAppCore> appCore() override { return core_; }
    platform::Point convertPointFromRawView(platform::Point p) override { return p; }
    void setMultipleTouchEnabled(bool) override {}
    std::shared_ptr<JTAppBase::ShellTilt> accelerometerHelper() override { return tilt; }

    boost::intrusive_ptr<JTAppBase::JTScene> scene;
    std::shared_ptr<Tilt> tilt = std::make_shared<Tilt>();

  private:
    std::shared_ptr<FrameAppCore> core_;
};

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
        home_ = std::filesystem::path(MOVU_BINARY_DIR) / "test-homes" /
                ("frame-" + std::to_string(::getpid()));
        std::filesystem::remove_all(home_);
        platform::AppPaths::setHomeOverride(home_);
        JTAppBase::SetScIntMask(0x2468ACE1);
    }
    void TearDown() override {
        platform::AppPaths::setHomeOverride(std::nullopt);
        std::filesystem::remove_all(home_);
    }

    // GL as the game view leaves it when it starts.
    static void startView() {
        auto& g = gl();
        g.glViewport(0, 0, kWidth, kHeight);
        g.glMatrixMode(GL_PROJECTION);
        g.glLoadIdentity();
        g.glOrthof(0, kWidth, 0, kHeight, -1, 1);
        g.glMatrixMode(GL_MODELVIEW);
        g.glLoadIdentity();
        g.glDisable(GL_BLEND);
        g.glClearColor(0, 0, 0, 1);
        g.glClear(GL_COLOR_BUFFER_BIT);
        g.glDisable(GL_DITHER);
        g.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        g.glEnable(GL_BLEND);
        g.glEnable(GL_TEXTURE_2D);
        g.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        g.glEnableClientState(GL_VERTEX_ARRAY);
        g.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        g.glColor4f(1, 1, 1, 1);
    }

    std::unique_ptr<platform::gfx::HeadlessContext> surface_;
    std::filesystem::path home_;
};

int colourDistance(const std::uint8_t* a, const std::uint8_t* b) {
    int worst = 0;
    for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int(a[c]) - int(b[c])));
    return worst;
}

TEST_F(GameFrame, MatchesTheReferencePicture) {
    JTAppBase::Random::Scoped random(nextRandom);
    auto core = std::make_shared<FrameAppCore>();
    ASSERT_EQ(core->textureCount(), 5u) << "the game's pictures load from assets/";
    auto view = std::make_shared<FrameGameView>(core);
    auto context = JTCore::JTNew<JTAppBase::JTAppContext>();
    context->setAppCore(core);
    auto manager = JTCore::JTNew<JTApp::MyLevelManager>(context);
    context->setLevelManager(manager);
    context->setGameView(view);
    manager->reset();
    context->startLevel(1);
    JTApp::MyGameScenePtr scene(dynamic_cast<JTApp::MyGameScene*>(view->scene.get()));
    ASSERT_TRUE(scene);

    startView();
    auto canvas = context->getCanvas();
    // Steer toward the middle of the car's row, as a careful player does, for 80 ticks.
    for (int tick = 0; tick < 80; ++tick) {
        view->tilt->h = 0;
        for (int i = 0; i < JTApp::MyGameScene::kRowCount; ++i) {
            const auto& row = scene->getRow(i);
            if (row->y <= scene->getCarY() && scene->getCarY() <= row->y + 512)
                view->tilt->h = ((row->left + row->right) / 2 - 4096) / 12288.0 + 0.12;
        }
        canvas->beginFrame();
        scene->onFrame();
        canvas->endFrame();
    }
    canvas->beginRender();
    scene->draw(canvas);
    canvas->endRender();
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

    context->setLevelManager(nullptr);
}

}  // namespace
