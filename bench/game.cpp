// The game's own cost per tick: MyGameScene's rules alone, and a tick plus a full frame of draw
// calls into the GL recorder (the canvas's colour handling and every fill and picture, without
// a GPU). The game ticks every 30 ms, so anything above 100,000 ticks per second leaves more
// than 99% of the tick budget to the shell and the renderer.

#include <benchmark/benchmark.h>

#include <memory>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/ScIntHolder.h"
#include "appbase/ShellInterfaces.h"
#include "game/MyGameScene.h"
#include "game/MyLevelManager.h"
#include "platform/gfx/GLES1.h"
#include "platform/gfx/RecordingGL.h"

using platform::gfx::gl;

namespace {

// Pictures and texts that draw one quad each through the GL table, as the shell's textures do.
class QuadTexture : public JTAppBase::ShellTexture {
  public:
    QuadTexture(GLuint id, int format) : id_(id), format_(format) {}
    int pixelFormat() const override { return format_; }
    platform::Size contentSize() const override { return {32, 32}; }
    void drawAtPoint(platform::Point p) override {
        drawInRect(platform::Rect(p.x - 16, p.y - 16, 32, 32));
    }
    void drawInRect(platform::Rect r) override {
        const float x0 = static_cast<float>(r.origin.x), y0 = static_cast<float>(r.origin.y);
        const float x1 = x0 + static_cast<float>(r.size.width);
        const float y1 = y0 + static_cast<float>(r.size.height);
        const float vertices[] = {x0, y0, x1, y0, x0, y1, x1, y1};
        gl().glBindTexture(GL_TEXTURE_2D, id_);
        gl().glVertexPointer(2, GL_FLOAT, 0, vertices);
        gl().glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }
    void drawFromRect(platform::Rect, platform::Rect dst) override { drawInRect(dst); }

  private:
    GLuint id_;
    int format_;
};

class QuadTextFactory : public JTAppBase::TextTextureFactory {
  public:
    std::shared_ptr<JTAppBase::ShellTexture> newTextTexture(const std::string&, platform::Size, int,
                                                            const std::string&, double,
                                                            float) override {
        return std::make_shared<QuadTexture>(100, JTAppBase::ShellTexture::kA8);
    }
};

class BenchAppCore : public JTAppBase::ShellAppCore {
  public:
    BenchAppCore() {
        for (int i = 0; i < 5; ++i) {
            textures_[i] = std::make_shared<QuadTexture>(i + 1, JTAppBase::ShellTexture::kRGBA8888);
        }
    }
    std::shared_ptr<JTAppBase::ShellTexture> texture(int index) override {
        return index >= 0 && index < 5 ? textures_[index] : nullptr;
    }
    JTAppBase::TextTextureFactory* textTextureFactory() override { return &text_; }
    float contentsScaleValue() override { return 2.0f; }
    int32_t currentLevelId() override { return 1; }
    void setCurrentLevelId(int32_t) override {}
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
    std::shared_ptr<JTAppBase::ShellTexture> textures_[5];
    QuadTextFactory text_;
};

class SteadyTilt : public JTAppBase::ShellTilt {
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
    std::shared_ptr<SteadyTilt> tilt = std::make_shared<SteadyTilt>();

  private:
    std::shared_ptr<BenchAppCore> core_;
};

// A game in progress, restarted whenever the car falls off (before the score is handed over,
// so no files are written).
// Counts the calls a frame makes instead of logging them: what is left is the game's own cost
// (scene, canvas colour handling, labels) without the recorder's bookkeeping.
class CountingGL : public platform::gfx::RecordingGL {
  public:
    void glEnable(GLenum) override { ++calls; }
    void glDisable(GLenum) override { ++calls; }
    void glEnableClientState(GLenum) override { ++calls; }
    void glDisableClientState(GLenum) override { ++calls; }
    void glBlendFunc(GLenum, GLenum) override { ++calls; }
    void glTexEnvi(GLenum, GLenum, GLint) override { ++calls; }
    void glColor4ub(GLubyte, GLubyte, GLubyte, GLubyte) override { ++calls; }
    void glVertexPointer(GLint, GLenum, GLsizei, const void*) override { ++calls; }
    void glBindTexture(GLenum, GLuint) override { ++calls; }
    void glDrawArrays(GLenum, GLint, GLsizei) override { ++calls; }
    long calls = 0;
};

class RunningGame {
  public:
    RunningGame() {
        JTAppBase::SetScIntMask(0x2468ACE1);
        core_ = std::make_shared<BenchAppCore>();
        view_ = std::make_shared<BenchGameView>(core_);
        context_ = JTCore::JTNew<JTAppBase::JTAppContext>();
        context_->setAppCore(core_);
        context_->setLevelManager(JTCore::JTNew<JTApp::MyLevelManager>(context_));
        context_->setGameView(view_);
        context_->getLevelManager()->reset();
        restart();
    }
    ~RunningGame() {
        view_->scene.reset();
        scene_.reset();
        context_->setLevelManager(nullptr);
    }

    void tick() {
        steer();
        canvas_->beginFrame();
        scene_->onFrame();
        canvas_->endFrame();
        if (scene_->getState() != 0) restart();
    }

    void render() {
        canvas_->beginRender();
        scene_->draw(canvas_);
        canvas_->endRender();
    }

  private:
    void restart() {
        context_->startLevel(++runs_ % 2 == 0 ? 3 : 1);
        scene_ = JTApp::MyGameScenePtr(dynamic_cast<JTApp::MyGameScene*>(view_->scene.get()));
        canvas_ = context_->getCanvas();
    }

    // Towards the middle of the row under the car, so runs last as a player's would.
    void steer() {
        for (int i = 0; i < JTApp::MyGameScene::kRowCount; ++i) {
            const auto& row = scene_->getRow(i);
            if (row->y <= scene_->getCarY() && scene_->getCarY() <= row->y + 512) {
                view_->tilt->h = ((row->left + row->right) / 2 - 4096) / 12288.0;
                return;
            }
        }
    }

    std::shared_ptr<BenchAppCore> core_;
    std::shared_ptr<BenchGameView> view_;
    boost::intrusive_ptr<JTAppBase::JTAppContext> context_;
    JTApp::MyGameScenePtr scene_;
    JTAppBase::JTCanvasPtr canvas_;
    int runs_ = 0;
};

void BM_GameTick(benchmark::State& state) {
    platform::gfx::RecordingGL recorder;
    platform::gfx::ScopedGL scoped(recorder);
    RunningGame game;
    for (auto _ : state) {
        game.tick();
        recorder.clear();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("ticks");
}
BENCHMARK(BM_GameTick);

void BM_GameTickAndFrame(benchmark::State& state) {
    platform::gfx::RecordingGL recorder;
    platform::gfx::ScopedGL scoped(recorder);
    RunningGame game;
    for (auto _ : state) {
        game.tick();
        game.render();
        benchmark::DoNotOptimize(recorder.calls().size());
        recorder.clear();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("ticks, each with one frame of draw calls");
}
BENCHMARK(BM_GameTickAndFrame);

void BM_GameTickAndFrameCounted(benchmark::State& state) {
    CountingGL counter;
    platform::gfx::ScopedGL scoped(counter);
    RunningGame game;
    for (auto _ : state) {
        game.tick();
        game.render();
    }
    benchmark::DoNotOptimize(counter.calls);
    state.SetItemsProcessed(state.iterations());
    state.counters["gl_calls_per_frame"] =
        static_cast<double>(counter.calls) / static_cast<double>(state.iterations());
    state.SetLabel("ticks, each with one frame of draw calls only counted");
}
BENCHMARK(BM_GameTickAndFrameCounted);

}  // namespace

BENCHMARK_MAIN();
