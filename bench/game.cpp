// The game's own cost per tick: MyGameScene's rules alone, and a tick plus a full frame of draw
// calls into the GL recorder (the canvas's colour handling and every fill and picture, without
// a GPU). The game ticks every 30 ms, so anything above 100,000 ticks per second leaves more
// than 99% of the tick budget to the shell and the renderer.

#include <benchmark/benchmark.h>

#include <memory>

#include "appbase/ScIntHolder.h"
#include "game/testsupport/QuadTexture.h"
#include "game/testsupport/QuietAppCore.h"
#include "game/testsupport/QuietGame.h"
#include "platform/gfx/RecordingGL.h"

namespace {

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

// A game in progress, restarted whenever the car falls off (before the score is handed over,
// so no files are written).
class RunningGame {
  public:
    RunningGame() : game_(makeCore()) { restart(); }

    void tick() {
        game_.steer();
        game_.tick();
        if (game_.scene()->getState() != 0) restart();
    }

    void render() { game_.render(); }

  private:
    // The pictures and texts at 2x, as on a high-density screen.
    std::shared_ptr<gametest::QuietAppCore> makeCore() {
        JTAppBase::SetScIntMask(0x2468ACE1);
        auto core = std::make_shared<gametest::QuietAppCore>();
        for (int i = 0; i < 5; ++i) {
            core->textures[i] =
                std::make_shared<gametest::QuadTexture>(i + 1, JTAppBase::ShellTexture::kRGBA8888);
        }
        core->textFactory = &text_;
        core->scale = 2.0f;
        core->currentLevel = 1;
        return core;
    }

    void restart() { game_.start(++runs_ % 2 == 0 ? 3 : 1); }

    gametest::QuadTextFactory text_;
    gametest::QuietGame game_;
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
