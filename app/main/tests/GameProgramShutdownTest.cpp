// The program's shutdown order: the app core, and with it every texture it made on the GL
// context and every sound it loaded into the sound engine, is destroyed while the context still
// exists and after the engine has stopped needing its sounds.

#include "app/main/GameProgram.h"

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <GLES/gl.h>
#include <gtest/gtest.h>

#include "platform/gfx/HeadlessContext.h"
#include "platform/runtime/MainLoop.h"
#include "platform/testing/TempDir.h"
#include "platform/ui/Application.h"
#include "sound/SoundObj.h"

using namespace app;

namespace fs = std::filesystem;

namespace {

// A headless context that reports, just before it goes, what still lives on it.
class WatchedContext final : public platform::gfx::GLContext {
  public:
    WatchedContext(std::unique_ptr<platform::gfx::HeadlessContext> inner,
                   std::function<void()> beforeEnd)
        : inner_(std::move(inner)), beforeEnd_(std::move(beforeEnd)) {}
    ~WatchedContext() override {
        inner_->makeCurrent();
        beforeEnd_();
    }
    bool makeCurrent() override { return inner_->makeCurrent(); }
    bool isCurrent() const override { return inner_->isCurrent(); }
    bool clearCurrent() override { return inner_->clearCurrent(); }
    bool present() override { return inner_->present(); }
    int width() const override { return inner_->width(); }
    int height() const override { return inner_->height(); }

  private:
    std::unique_ptr<platform::gfx::HeadlessContext> inner_;
    std::function<void()> beforeEnd_;
};

// Texture names are handed out from 1 upwards; a game run makes a few dozen.
int liveTextures() {
    int live = 0;
    for (GLuint name = 1; name < 4096; ++name)
        if (::glIsTexture(name)) ++live;
    return live;
}

struct Seen {
    bool contextEnded = false;
    int texturesInGame = 0;
    bool soundInGame = false;
    int texturesAtContextEnd = -1;
    bool appCoreGoneAtContextEnd = false;
    bool soundGoneAtContextEnd = false;
    bool engineUpAtContextEnd = true;
};

TEST(GameProgramShutdownTest, TheAppCoreItsTexturesAndSoundsGoBeforeTheContextAndTheEngine) {
    const platform::testing::TempDir home;

    ProgramOptions options;
    options.headless = true;
    options.seed = 1;
    options.startLevel = 1;
    options.ticks = 20;
    options.home = home.path().string();

    Seen seen;
    std::weak_ptr<platform::ui::ApplicationDelegate> appCore;
    std::weak_ptr<sound::SoundObj> sound;
    // Runs on the first frame, inside the game.
    platform::MainLoop::main().post([&] {
        appCore = platform::ui::Application::shared().delegate();
        auto sounds = sound::SoundObj::soundObjs();
        if (!sounds.empty()) sound = sounds.front();
        seen.soundInGame = !sounds.empty();
        seen.texturesInGame = liveTextures();
    });

    GameProgram program(options,
                        [&](int width, int height,
                            std::string* error) -> std::shared_ptr<platform::gfx::GLContext> {
                            auto inner =
                                platform::gfx::HeadlessContext::create(width, height, error);
                            if (!inner) return nullptr;
                            return std::make_shared<WatchedContext>(std::move(inner), [&] {
                                seen.contextEnded = true;
                                seen.texturesAtContextEnd = liveTextures();
                                seen.appCoreGoneAtContextEnd = appCore.expired();
                                seen.soundGoneAtContextEnd = sound.expired();
                                seen.engineUpAtContextEnd = sound::SoundObj::engineIsUp();
                            });
                        });
    ASSERT_EQ(program.run(), 0);

    ASSERT_TRUE(seen.contextEnded);
    // The run really made textures and sounds, and held them through its app core.
    EXPECT_GT(seen.texturesInGame, 0);
    EXPECT_TRUE(seen.soundInGame);
    EXPECT_TRUE(seen.appCoreGoneAtContextEnd);
    EXPECT_EQ(seen.texturesAtContextEnd, 0);
    EXPECT_TRUE(seen.soundGoneAtContextEnd);
    EXPECT_FALSE(seen.engineUpAtContextEnd);
}

}  // namespace
