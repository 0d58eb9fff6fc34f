// The program as CI runs it: headless, a fixed seed and a tilt script, ending on its own and
// leaving a picture of the game.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gfx/Image.h"

namespace fs = std::filesystem;

namespace {

const std::string kProgram = std::string(MOVU_BINARY_DIR) + "/app/main/movuroute";

struct RunResult {
    int status = -1;
    std::string output;
};

RunResult run(const std::vector<std::string>& args) {
    fs::path out = fs::temp_directory_path() / ("movuroute-out-" + std::to_string(::getpid()));
    std::string command = "'" + kProgram + "'";
    for (const auto& a : args) command += " '" + a + "'";
    command += " > '" + out.string() + "' 2>&1";
    RunResult r;
    int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    r.output = text.str();
    fs::remove(out);
    return r;
}

class MovurouteRunTest : public ::testing::Test {
  protected:
    MovurouteRunTest() {
        dir = fs::temp_directory_path() /
              ("movuroute-run-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~MovurouteRunTest() override { fs::remove_all(dir); }
    fs::path dir;
};

// Share of the picture in the road's greys, and in the title screen's blue.
double greyShare(const platform::gfx::Image& image) {
    long grey = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const auto* p = image.pixel(x, y);
            if (p[0] == p[1] && p[1] == p[2] && p[0] > 60 && p[0] < 200) ++grey;
        }
    return double(grey) / (double(image.width()) * image.height());
}

TEST_F(MovurouteRunTest, HeadlessGameRunsTwentySecondsAndLeavesAFrameOfTheRoad) {
    fs::path frame = dir / "frame.png";
    RunResult r =
        run({"--headless", "--seed", "1", "--start-level", "1", "--tilt", "sine", "--seconds", "20",
             "--screenshot", frame.string(), "--home", (dir / "home").string()});
    ASSERT_EQ(r.status, 0) << r.output;
    std::string error;
    auto image = platform::gfx::Image::loadPng(frame.string(), &error);
    ASSERT_TRUE(image) << error;
    EXPECT_EQ(image->width(), 320);
    EXPECT_EQ(image->height(), 480);
    // The road fills the middle of the screen while the game runs; the title, a pause or a
    // blank screen would not.
    EXPECT_GT(greyShare(*image), 0.3);
    // The settings file of the run went into the home it was given.
    EXPECT_TRUE(fs::exists(dir / "home" / "Documents" / "settings.plist"));
}

TEST_F(MovurouteRunTest, SameSeedAndTiltGiveTheSameGame) {
    auto shot = [&](const std::string& name, const std::string& seed) {
        fs::path frame = dir / name;
        RunResult r = run({"--headless", "--seed", seed, "--start-level", "1", "--tilt", "0.05",
                           "--ticks", "150", "--screenshot", frame.string(), "--home",
                           (dir / ("home-" + name)).string()});
        EXPECT_EQ(r.status, 0) << r.output;
        auto image = platform::gfx::Image::loadPng(frame.string());
        return image ? image->rgba() : std::vector<std::uint8_t>{};
    };
    auto a = shot("a.png", "7");
    auto b = shot("b.png", "7");
    auto c = shot("c.png", "8");
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
}

TEST_F(MovurouteRunTest, ARunThatEndsStoresItsScore) {
    // Steered hard right the car keeps hitting the edge and the run ends well within a minute.
    RunResult r = run({"--headless", "--seed", "1", "--start-level", "1", "--tilt", "1",
                       "--seconds", "40", "--home", (dir / "home").string()});
    ASSERT_EQ(r.status, 0) << r.output;
    fs::path scores = dir / "home" / "Documents" / "LevelScores" / "1.plist";
    ASSERT_TRUE(fs::exists(scores));
    EXPECT_GT(fs::file_size(scores), 0u);
}

TEST_F(MovurouteRunTest, WithoutALevelTheTitleScreenShows) {
    fs::path frame = dir / "title.png";
    RunResult r = run({"--headless", "--seconds", "1", "--screenshot", frame.string(), "--home",
                       (dir / "home").string()});
    ASSERT_EQ(r.status, 0) << r.output;
    auto image = platform::gfx::Image::loadPng(frame.string());
    ASSERT_TRUE(image);
    // The title's blue background at a corner.
    const auto* p = image->pixel(2, 470);
    EXPECT_NEAR(p[0], 40, 2);
    EXPECT_NEAR(p[1], 87, 2);
    EXPECT_NEAR(p[2], 149, 2);
}

TEST_F(MovurouteRunTest, BadCommandLinesAndScriptsEndWithAReason) {
    RunResult r = run({"--headless", "--ticks", "zero"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("--ticks"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("usage:"), std::string::npos);

    r = run({"--headless", "--tilt", (dir / "missing.txt").string(), "--home",
             (dir / "home").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("missing.txt"), std::string::npos) << r.output;

    r = run({"--headless", "--ticks", "5", "--screenshot",
             (dir / "no" / "such" / "dir.png").string(), "--home", (dir / "home").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("cannot write"), std::string::npos) << r.output;

    r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("--headless"), std::string::npos);
    // Every way to steer is named, the gamepad too.
    EXPECT_NE(r.output.find("arrow keys"), std::string::npos);
    EXPECT_NE(r.output.find("mouse"), std::string::npos);
    EXPECT_NE(r.output.find("gamepad"), std::string::npos);
}

}  // namespace
