// The program as CI runs it: headless, a fixed seed and a tilt script, ending on its own and
// leaving a picture of the game.

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
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
#include "platform/testing/RefusingDisplay.h"
#include "platform/testing/TempDir.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

const std::string kProgram = std::string(MOVU_BINARY_DIR) + "/app/main/movuroute";

struct RunResult {
    int status = -1;
    std::string output;
};

// `environment` goes before the program, as "env" takes it ("-u NAME", "NAME=value").
RunResult run(const std::vector<std::string>& args, const std::string& environment = "") {
    const platform::testing::TempDir scratch;
    const fs::path out = scratch / "output";
    std::string command = "env " + environment + " '" + kProgram + "'";
    for (const auto& a : args) command += " '" + a + "'";
    command += " > '" + out.string() + "' 2>&1";
    RunResult r;
    int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    r.output = text.str();
    return r;
}

class MovurouteRunTest : public ::testing::Test {
  protected:
    const platform::testing::TempDir tempDir;
    const fs::path dir = tempDir.path();
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
    // A player's terminal hears nothing of a run that went well: not the interstitial's
    // step-by-step account, nor the screens' bookkeeping at exit.
    EXPECT_EQ(r.output.find("istAd"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("[INFO]"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("old subview exists"), std::string::npos) << r.output;
    EXPECT_EQ(r.output, "");
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

TEST_F(MovurouteRunTest, PicturesAndTapsAtGivenTicks) {
    // The title, then a tap on its start button, then the road of the game it started.
    fs::path title = dir / "title.png", road = dir / "road.png";
    RunResult r =
        run({"--headless", "--seed", "1", "--tilt", "0", "--ticks", "80", "--screenshot-at",
             "70:" + road.string(), "--tap-at", "5:160,260", "--screenshot-at",
             "2:" + title.string(), "--home", (dir / "home").string()});
    ASSERT_EQ(r.status, 0) << r.output;
    auto before = platform::gfx::Image::loadPng(title.string());
    auto after = platform::gfx::Image::loadPng(road.string());
    ASSERT_TRUE(before && after);
    EXPECT_LT(greyShare(*before), 0.05);
    EXPECT_GT(greyShare(*after), 0.3);

    r = run({"--headless", "--seconds", "0.5", "--screenshot-at",
             "1:" + (dir / "no" / "x.png").string(), "--home", (dir / "home").string()});
    EXPECT_EQ(r.status, 1) << "a picture that cannot be written fails the run";
    EXPECT_NE(r.output.find("cannot write"), std::string::npos) << r.output;
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
    // What a user needs to write a tilt file, pick a level and find the files.
    for (const char* text : {"\"t x y z\"", "10 seconds", "1 (Normal) or 3 (Obstacles)",
                             "MOVUROUTE_KEYCHAIN", "MOVUROUTE_SHARED_HOME", "DIR/Shared"}) {
        EXPECT_NE(r.output.find(text), std::string::npos) << text;
    }

    // A level the game does not have plays nothing: refused like a bad option, with the ids.
    r = run(
        {"--headless", "--start-level", "7", "--ticks", "5", "--home", (dir / "home").string()});
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_NE(r.output.find("no level 7 (levels: 1, 3)"), std::string::npos) << r.output;

    // A FIFO as the tilt file would wait for a writer for ever.
    fs::path fifo = dir / "tilt.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    r = run(
        {"--headless", "--tilt", fifo.string(), "--ticks", "5", "--home", (dir / "home").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("not a readable file"), std::string::npos) << r.output;

    // A home that cannot hold Documents fails before the game, with the reason.
    fs::path notAFolder = dir / "plain-file";
    std::ofstream(notAFolder) << "x";
    r = run({"--headless", "--start-level", "1", "--ticks", "5", "--home", notAFolder.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("cannot keep files in " + notAFolder.string()), std::string::npos)
        << r.output;
}

TEST_F(MovurouteRunTest, AnIsolatedHomeKeepsTheAccountAndTheGameLeavesTheTitleAsStartDoes) {
    RunResult r = run({"--headless", "--seed", "1", "--start-level", "1", "--ticks", "5", "--home",
                       (dir / "home").string()},
                      "-u MOVUROUTE_SHARED_HOME -u MOVUROUTE_KEYCHAIN");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(fs::exists(dir / "home" / "Shared" / "keychain"));
    // The title left before the game came: nothing of it was still in the window.
    EXPECT_EQ(r.output.find("old subview exists"), std::string::npos) << r.output;
}

// A home given on the command line keeps the libraries' files too. The sound server's client is
// the one a headless run starts (through OpenAL): without a session runtime folder it would make
// ~/.config/pulse; with one it keeps to it, where the server's socket is.
TEST_F(MovurouteRunTest, WithAHomeTheLibrariesWriteNothingInTheUsersFolders) {
    const fs::path user = dir / "user";
    const fs::path home = dir / "home";
    fs::create_directories(user);
    // "env" takes its -u options before the variables it sets.
    const std::string unset = "-u XDG_CACHE_HOME -u XDG_CONFIG_HOME -u PULSE_RUNTIME_PATH ";
    const std::string environment = "HOME=" + user.string() + " ALSOFT_DRIVERS=pulse";
    const std::vector<std::string> args{"--headless", "--seed", "1",      "--start-level", "1",
                                        "--ticks",    "5",      "--home", home.string()};
    RunResult r = run(args, unset + "-u XDG_RUNTIME_DIR " + environment);
    ASSERT_EQ(r.status, 0) << r.output;
    std::vector<std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(user))
        written.push_back(entry.path().string());
    EXPECT_TRUE(written.empty()) << written.front();
    EXPECT_TRUE(fs::is_directory(home / "Library" / "Caches" / "Libraries"));

    // A session's runtime folder stays the sound client's.
    const fs::path runtime = dir / "run";
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    fs::remove_all(home / "Library" / "Caches" / "Libraries");
    r = run(args, unset + environment + " XDG_RUNTIME_DIR=" + runtime.string());
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(fs::exists(home / "Library" / "Caches" / "Libraries" / "pulse-runtime"));
    EXPECT_TRUE(fs::is_empty(user));
}

TEST_F(MovurouteRunTest, AWindowWithoutADisplayIsRefused) {
    // Without this the window would open on an invisible driver and play until the limit.
    RunResult r = run({"--seconds", "2", "--home", (dir / "home").string()},
                      "-u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("no display to open a window on (DISPLAY and WAYLAND_DISPLAY are "
                            "unset); use --headless"),
              std::string::npos)
        << r.output;
}

TEST_F(MovurouteRunTest, ADisplayThatNeverLetsTheWindowInIsGivenUpAfterFiveTries) {
    platform::testing::RefusingDisplay display(1000);
    ASSERT_TRUE(display.listening()) << display.error();
    RunResult r = run({"--seconds", "2", "--home", (dir / "home").string()},
                      "-u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY=" + display.name() +
                          " XAUTHORITY=" + display.authorityFile());
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("cannot open a window on the display " + display.name() +
                            " (tried 5 times); use --headless"),
              std::string::npos)
        << r.output;
    EXPECT_GE(display.refused(), 5);
}

// A peer that closes first (a display turning the connection away under load, here a reader
// that is gone) makes a write fail; it must not end the program with SIGPIPE.
TEST_F(MovurouteRunTest, AWriteToAClosedPeerDoesNotKillTheProgram) {
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    ::close(ends[0]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    std::string program = kProgram, help = "--help";
    char* argv[] = {program.data(), help.data(), nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    ASSERT_EQ(spawned, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_FALSE(WIFSIGNALED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_TRUE(WIFEXITED(status));
}

TEST_F(MovurouteRunTest, NoAudioDeviceIsOnePlainLine) {
    // An ALSA device that exists nowhere, so the device fails to open on every machine.
    fs::path conf = dir / "alsoft.conf";
    std::ofstream(conf) << "[alsa]\ndevice = hw:MovurouteNoSuchCard\n";
    RunResult r = run({"--headless", "--seed", "1", "--start-level", "1", "--ticks", "5", "--home",
                       (dir / "home").string()},
                      "-u ALSOFT_LOGLEVEL ALSOFT_DRIVERS=alsa ALSOFT_CONF=" + conf.string());
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string line = "no audio device; playing without sound";
    auto first = r.output.find(line);
    ASSERT_NE(first, std::string::npos) << r.output;
    EXPECT_EQ(r.output.find(line, first + 1), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("ALSA lib"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("AL lib"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("Error opening output device"), std::string::npos) << r.output;
}

}  // namespace
