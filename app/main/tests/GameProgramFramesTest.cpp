// The program draws a frame only when the window shows something new: a still title screen is
// drawn a few times over seconds of steps, a game once per frame it finishes, and a picture
// asked for on a still screen is still taken of the screen as it is. The game draws over the
// whole window, so it shows no status bar.

#include "app/main/GameProgram.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/gfx/Image.h"
#include "platform/testing/TempDir.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"

using namespace app;

namespace {

ProgramOptions headless(const platform::testing::TempDir& home) {
    ProgramOptions options;
    options.headless = true;
    options.seed = 1;
    options.home = (home / "home").string();
    return options;
}

}  // namespace

TEST(GameProgramFramesTest, AStillScreenIsNotDrawnAgainEveryStep) {
    const platform::testing::TempDir home;
    ProgramOptions options = headless(home);
    options.seconds = 4;
    const std::string picture = (home / "title.png").string();
    options.screenshotsAt.push_back({100, picture});

    GameProgram program(options);
    ASSERT_EQ(program.run(), 0);
    EXPECT_GE(program.stats().steps, 239);
    EXPECT_LT(program.stats().frames, 20) << "the title stands still after it has come in";

    // The picture of a step that drew nothing shows the title all the same.
    auto image = platform::gfx::Image::loadPng(picture);
    ASSERT_TRUE(image);
    const auto* p = image->pixel(2, 470);  // the title's blue background at a corner
    EXPECT_NEAR(p[0], 40, 2);
    EXPECT_NEAR(p[1], 87, 2);
    EXPECT_NEAR(p[2], 149, 2);
}

TEST(GameProgramFramesTest, AGameIsDrawnForEachFrameItFinishes) {
    const platform::testing::TempDir home;
    ProgramOptions options = headless(home);
    options.startLevel = 1;
    options.tilt = "sine";
    options.ticks = 100;

    GameProgram program(options);
    ASSERT_EQ(program.run(), 0);
    const auto& stats = program.stats();
    EXPECT_EQ(stats.ticks, 100);
    // The game finishes a frame on each of its 33 Hz ticks; the 60 Hz steps between them
    // show nothing new.
    EXPECT_GE(stats.frames, 95);
    EXPECT_LT(stats.frames, stats.steps * 3 / 4);
}

TEST(GameProgramFramesTest, TheGameHidesTheStatusBarItDrawsOver) {
    const platform::testing::TempDir home;
    ProgramOptions options = headless(home);
    options.seconds = 1;
    auto& application = platform::ui::Application::shared();
    application.setStatusBarHidden(false);

    GameProgram program(options);
    ASSERT_EQ(program.run(), 0);
    // The application frame (what ads may fill) is the whole window the game draws on.
    EXPECT_TRUE(application.isStatusBarHidden());
    const auto& screen = platform::ui::Screen::mainScreen();
    EXPECT_EQ(screen.applicationFrame(), screen.bounds());
}
