#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "appbase/JTTextLabel.h"
#include "game/tests/GameHarness.h"
#include "game/testsupport/QuadTexture.h"
#include "platform/gfx/RecordingGL.h"

using gametest::Game;
using gametest::QuadTextFactory;
using gametest::QuadTexture;
using gametest::ScriptedRandom;
using JTApp::MyGameScene;
using JTApp::Wall;

namespace {

// Pictures draw through the GL table, so they land in the recorder between the canvas's
// fills, in the order the scene drew them.
class GLAppCore : public fake::AppCore {
  public:
    using fake::AppCore::AppCore;
    std::shared_ptr<JTAppBase::ShellTexture> texture(int index) override {
        if (index < 0 || index > 4) return nullptr;
        return std::make_shared<QuadTexture>(static_cast<GLuint>(index + 1),
                                             JTAppBase::ShellTexture::kRGBA8888);
    }
    JTAppBase::TextTextureFactory* textTextureFactory() override { return &text_; }

  private:
    QuadTextFactory text_;
};

std::string hex(uint32_t v) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

// "fill RRGGBBAA" for an untextured draw, "image N RRGGBBAA" for picture N (label 99), with
// the colour GL holds at that moment.
std::vector<std::string> drawOps(const platform::gfx::RecordingGL& recorder) {
    std::vector<std::string> ops;
    bool textured = true;
    GLuint texture = 0;
    uint32_t colour = 0;
    for (const auto& call : recorder.calls()) {
        if (call.name == "glEnable" && call.args[0] == GL_TEXTURE_2D) textured = true;
        if (call.name == "glDisable" && call.args[0] == GL_TEXTURE_2D) textured = false;
        if (call.name == "glBindTexture") texture = static_cast<GLuint>(call.args[1]);
        if (call.name == "glColor4ub") {
            colour = static_cast<uint32_t>(call.args[0]) << 24 |
                     static_cast<uint32_t>(call.args[1]) << 16 |
                     static_cast<uint32_t>(call.args[2]) << 8 | static_cast<uint32_t>(call.args[3]);
        }
        if (call.name != "glDrawArrays") continue;
        if (!textured) {
            ops.push_back("fill " + hex(colour));
        } else {
            int image =
                texture == QuadTextFactory::kLabelTexture ? 99 : static_cast<int>(texture) - 1;
            ops.push_back("image " + std::to_string(image) + " " + hex(colour));
        }
    }
    return ops;
}

// What the scene's draw list says it draws in this state, colours as GL receives them
// (straight for fills and text, premultiplied for pictures).
std::vector<std::string> expectedOps(const MyGameScene& scene, bool messageShown) {
    std::vector<std::string> ops;
    auto rgba = [](uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
        return hex(r << 24 | g << 16 | b << 8 | a);
    };
    for (int i = 0; i < MyGameScene::kRowCount; ++i) {
        const Wall& row = *scene.getRow(i);
        uint32_t k = static_cast<uint32_t>(std::abs(i % 8 - 4));
        std::string grass = "fill " + rgba(32 * k, 200, 0, 255);
        ops.push_back(grass);
        ops.push_back(i % 2 == 0 ? "fill " + rgba(255, 0, 0, 255)
                                 : "fill " + rgba(255, 255, 255, 255));
        uint32_t c = 5 * k + 96;
        ops.push_back("fill " + rgba(c, c, c, 255));
        if (row.item == Wall::kItemHamburger) ops.push_back("image 4 " + rgba(255, 255, 255, 255));
        if (row.item == Wall::kItemObstacle) ops.push_back(grass);
    }
    const uint32_t k = static_cast<uint32_t>(scene.getFrame() % 4);
    for (uint32_t a : {100 - 12 * k, 52 - 12 * k}) ops.push_back("image 3 " + rgba(a, a, a, a));
    ops.push_back("image 1 " + rgba(255, 255, 255, 255));
    const int32_t r = scene.getPopUpEndFrame() - scene.getFrame();
    if (r > 0) {
        uint32_t a = r >= 8 ? 255 : static_cast<uint32_t>(32 * r);
        ops.push_back("image 2 " + rgba(a, a, a, a));
    }
    // Score and message: shadow first, then the text.
    ops.push_back("image 99 " + rgba(0, 0, 0, 255));
    ops.push_back("image 99 " + rgba(255, 255, 255, 255));
    if (messageShown) {
        ops.push_back("image 99 " + rgba(0, 0, 0, 255));
        ops.push_back("image 99 " + rgba(255, 255, 0, 255));
    }
    if (scene.getState() == 1) ops.push_back("image 0 " + rgba(255, 255, 255, 255));
    return ops;
}

struct RunResult {
    int gameOverTick = -1;
    int32_t score = 0;
    int hamburgers = 0;
};

struct Frame {
    int tick = 0;
    std::vector<std::string> drawn;
    std::vector<std::string> expected;
};

// Where the scripted run ends; pinned so that any change to the rules or to the order of the
// random draws shows up here.
constexpr int kReplayTick = 1126;
constexpr int32_t kReplayScore = 2153;

// Level 1 with a fixed random sequence and a tilt script that sways gently left and right,
// ignoring the road: the car takes a few hamburgers, hits the edges and is pushed off after
// about a thousand ticks.
RunResult replay(std::vector<Frame>* frames = nullptr) {
    ScriptedRandom random(gametest::lcg(99));
    Game game(random);
    auto core = std::make_shared<GLAppCore>(&game.journal);
    for (int i = 0; i <= 3; ++i) core->addSound(i);
    game.view = std::make_shared<fake::GameView>(&game.journal, core);
    game.view->tilt = game.tilt;
    game.context->setAppCore(core);
    game.context->setGameView(game.view);
    auto scene = game.start(1);

    static const double kTilt[] = {0.0, 0.025, 0.05, 0.025, 0.0, -0.025, -0.05, -0.025};
    RunResult result;
    for (int tick = 1; tick <= 5000; ++tick) {
        game.tilt->h = kTilt[(tick / 8) % 8];
        game.tick();
        for (Frame* frame = frames ? frames->data() : nullptr;
             frames && frame != frames->data() + frames->size(); ++frame) {
            if (frame->tick != tick) continue;
            platform::gfx::RecordingGL recorder;
            platform::gfx::ScopedGL scoped(recorder);
            game.render();
            frame->drawn = drawOps(recorder);
            frame->expected = expectedOps(*scene, scene->getFrame() < 120);
        }
        for (const auto& entry : game.journal) {
            if (entry.rfind("view.gameOverWithScore(", 0) == 0) {
                result.gameOverTick = tick;
                result.score = std::stoi(entry.substr(23));
                result.hamburgers = game.count("sound2.start");
                return result;
            }
        }
    }
    return result;
}

}  // namespace

TEST(Replay, AScriptedRunOnLevelOneEndsWithTheSameScoreAtTheSameTick) {
    RunResult first = replay();
    RunResult second = replay();
    EXPECT_EQ(first.gameOverTick, kReplayTick);
    EXPECT_EQ(first.score, kReplayScore);
    EXPECT_EQ(first.hamburgers, 8);
    EXPECT_EQ(second.gameOverTick, first.gameOverTick);
    EXPECT_EQ(second.score, first.score);
}

TEST(Replay, OneFrameDrawsInTheOrderOfTheDrawList) {
    // Just after the first hamburger (pop-up and start message up), after the fifth (pop-up
    // only), and while the game-over picture falls.
    std::vector<Frame> frames(3);
    frames[0].tick = 100;
    frames[1].tick = 520;
    frames[2].tick = kReplayTick - 10;
    replay(&frames);
    for (const Frame& frame : frames) {
        ASSERT_GE(frame.drawn.size(), 18u * 3 + 5) << "tick " << frame.tick;
        EXPECT_EQ(frame.drawn, frame.expected) << "tick " << frame.tick;
    }
    auto draws = [](const Frame& frame, const std::string& prefix) {
        return std::count_if(frame.drawn.begin(), frame.drawn.end(),
                             [&](const std::string& op) { return op.rfind(prefix, 0) == 0; });
    };
    EXPECT_EQ(draws(frames[0], "image 2 "), 1);
    EXPECT_EQ(draws(frames[0], "image 99 "), 4);  // score and message, each with its shadow
    EXPECT_EQ(draws(frames[1], "image 2 "), 1);
    EXPECT_EQ(draws(frames[1], "image 99 "), 2);
    EXPECT_EQ(draws(frames[2], "image 0 "), 1);
}

TEST(Replay, ASeededRoadIsTheSameWhateverElseDrawsFromTheCLibrary) {
    // What the road and the score looked like on every tick of a seeded run.
    auto play = [](unsigned seed, bool otherLibrariesDraw) {
        JTAppBase::Random::seed(seed);
        // The sound server's client calls rand() while the audio device opens, between the
        // seeding and the first tick.
        if (otherLibrariesDraw) {
            for (int i = 0; i < 160; ++i) (void)rand();
        }
        Game game{gametest::OwnGenerator{}};
        auto scene = game.start(1);
        std::vector<int32_t> trace;
        for (int tick = 0; tick < 600; ++tick) {
            game.autopilot();
            game.tick();
            if (otherLibrariesDraw) (void)rand();
            trace.insert(trace.end(),
                         {scene->getRoadCentre(), scene->getCentreStep(), scene->getRowsUntilItem(),
                          scene->getCarX(), scene->getScore()});
        }
        return trace;
    };
    auto quiet = play(1, false);
    EXPECT_EQ(play(1, true), quiet);
    EXPECT_NE(play(2, false), quiet) << "the seed must matter";
}